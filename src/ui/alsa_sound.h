// AlsaSound: the program's sound player (core::Sound) over ALSA - PCM wave files and sine tones.
//
// Asynchronous wave files play on one worker thread; a new one replaces the one playing (it is cut
// off), as the program's prompt sounds expect. Sounds played to the end and tones play on the
// caller's thread after cutting off whatever plays. A device that cannot be opened (a machine
// without sound) is noted once and every sound after that is skipped at once. A missing or
// unreadable file is skipped silently. Safe to call from the GUI thread only (one caller).
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "core/sound.h"

namespace ui {

class AlsaSound final : public core::Sound {
public:
    // device: an ALSA device name ("default"; "null" discards everything and always opens).
    explicit AlsaSound(std::string device = "default");
    ~AlsaSound() override;
    AlsaSound(const AlsaSound&) = delete;
    AlsaSound& operator=(const AlsaSound&) = delete;

    void playWave(const std::string& path, bool toEnd) override;
    void tone(int hz, int ms) override;

    // False once the device failed to open.
    bool available() const { return m_available; }
    // Sounds that played all their samples, and sounds cut off by a newer one (for tests).
    int finished() const { return m_finished; }
    int cutOff() const { return m_cutOff; }
    // Waits until the worker has nothing left to play.
    void waitIdle();

private:
    bool play(const std::string& bytes, bool isWave, std::atomic<bool>& cancel);
    void stopAsync();
    void worker();

    std::string m_device;
    std::atomic<bool> m_available{true};
    std::atomic<int> m_finished{0};
    std::atomic<int> m_cutOff{0};

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::string m_pending;  // wave file bytes waiting for the worker
    bool m_hasPending = false;
    bool m_busy = false;
    bool m_stop = false;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

}  // namespace ui
