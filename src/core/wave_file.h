// Wave files: the RIFF "WAVE" files of prompt sounds and spoken numbers, read into PCM samples,
// and the 16-bit sine samples of a tone.
//
// Layout read (little-endian): "RIFF" size "WAVE", then chunks of a 4-byte id, a 4-byte size and
// the data padded to an even size. "fmt " holds format tag (1 = PCM, or 0xFFFE extensible with a
// PCM sub-format), channels, sample rate, byte rate, block align, bits per sample; "data" holds the
// samples. Other chunks are skipped. The file comes from the site's folder and may be anything:
// every length is checked against what is there, and a bad file gives an error text, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct WaveData {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;  // 8 (unsigned), 16, 24 or 32 (signed)
    std::string_view samples;  // inside the bytes given to parseWave; a whole number of frames
    int frameBytes() const { return channels * bitsPerSample / 8; }
    long frames() const { return frameBytes() ? long(samples.size()) / frameBytes() : 0; }
};

// False with a reason in `error` when the bytes are not a PCM wave file this program plays.
bool parseWave(std::string_view bytes, WaveData& out, std::string& error);

// A sine tone of the pitch for the duration, one channel, 16-bit samples at the rate, with a short
// fade at both ends so it does not click.
std::vector<std::int16_t> toneSamples(int hz, int ms, int sampleRate);

}  // namespace core
