// Sound: wave files and tones, behind one seam.
//
// The program plays prompt sounds and spoken numbers from wave files and beeps at a pitch. The GUI
// installs the ALSA player; without one (and on machines with no sound device) nothing is heard and
// nothing waits. Tests install a recorder of the files and pitches played.
#pragma once

#include <string>

namespace core {

class Sound {
public:
    virtual ~Sound() = default;
    // Plays a wave file (native path); returns at once unless toEnd, then after the sound ended.
    // A file that is missing or unreadable is skipped silently.
    virtual void playWave(const std::string& path, bool toEnd) = 0;
    // A tone of the pitch for the duration, played to its end.
    virtual void tone(int hz, int ms) = 0;
};

Sound& sound();
Sound* setSound(Sound* s);  // nullptr restores the silent player; returns the previous one

}  // namespace core
