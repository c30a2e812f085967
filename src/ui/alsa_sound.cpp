#include "ui/alsa_sound.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cstdarg>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/wave_file.h"

namespace ui {
namespace {

// ALSA writes its own complaints (no card, no configuration) to stderr; a machine without sound
// is normal here, so they are silenced.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

constexpr int kToneRate = 22050;
constexpr unsigned kLatencyUs = 100000;

bool readFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

snd_pcm_format_t formatOf(int bits)
{
    switch (bits) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 24: return SND_PCM_FORMAT_S24_3LE;
    default: return SND_PCM_FORMAT_S32_LE;
    }
}

}  // namespace

AlsaSound::AlsaSound(std::string device) : m_device(std::move(device))
{
    snd_lib_error_set_handler(&quietAlsa);
    m_thread = std::thread([this] { worker(); });
}

AlsaSound::~AlsaSound()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_cancel = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

// Plays wave bytes (isWave) or raw 16-bit mono tone samples at kToneRate; true when every frame
// was written. Blocks in ALSA's writes, which wait for room in the device's buffer.
bool AlsaSound::play(const std::string& bytes, bool isWave, std::atomic<bool>& cancel)
{
    if (!m_available)
        return false;
    core::WaveData wave;
    if (isWave) {
        std::string error;
        if (!core::parseWave(bytes, wave, error))
            return false;
    } else {
        wave.channels = 1;
        wave.sampleRate = kToneRate;
        wave.bitsPerSample = 16;
        wave.samples = bytes;
    }
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        m_available = false;
        return false;
    }
    if (snd_pcm_set_params(pcm, formatOf(wave.bitsPerSample), SND_PCM_ACCESS_RW_INTERLEAVED,
                           unsigned(wave.channels), unsigned(wave.sampleRate), 1, kLatencyUs) < 0) {
        snd_pcm_close(pcm);
        return false;
    }
    const long total = wave.frames();
    const long chunk = std::max(64, wave.sampleRate / 50);  // 20 ms between looks at `cancel`
    long done = 0;
    while (done < total && !cancel) {
        const long n = std::min(chunk, total - done);
        const snd_pcm_sframes_t w =
            snd_pcm_writei(pcm, wave.samples.data() + done * wave.frameBytes(), snd_pcm_uframes_t(n));
        if (w < 0) {
            if (snd_pcm_recover(pcm, int(w), 1) < 0)
                break;
            continue;
        }
        done += w;
    }
    const bool complete = done >= total && !cancel;
    if (complete)
        snd_pcm_drain(pcm);
    else
        snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    (complete ? m_finished : m_cutOff)++;
    return complete;
}

void AlsaSound::worker()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_hasPending; });
        if (m_stop)
            return;
        std::string bytes = std::move(m_pending);
        m_hasPending = false;
        m_cancel = false;
        m_busy = true;
        lock.unlock();
        play(bytes, true, m_cancel);
        lock.lock();
        m_busy = false;
        if (!m_hasPending)
            m_idle.notify_all();
    }
}

void AlsaSound::stopAsync()
{
    std::unique_lock lock(m_mutex);
    m_hasPending = false;
    m_pending.clear();
    m_cancel = true;
    m_idle.wait(lock, [this] { return !m_busy; });
}

void AlsaSound::waitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy && !m_hasPending; });
}

void AlsaSound::playWave(const std::string& path, bool toEnd)
{
    if (!m_available)
        return;
    std::string bytes;
    if (!readFile(path, bytes))
        return;
    if (toEnd) {
        stopAsync();
        std::atomic<bool> never{false};
        play(bytes, true, never);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(bytes);
        m_hasPending = true;
        m_cancel = true;  // cuts off what plays now
    }
    m_wake.notify_all();
}

void AlsaSound::tone(int hz, int ms)
{
    if (!m_available)
        return;
    const std::vector<std::int16_t> samples = core::toneSamples(hz, ms, kToneRate);
    if (samples.empty())
        return;
    stopAsync();
    std::string bytes(samples.size() * 2, '\0');
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto v = std::uint16_t(samples[i]);
        bytes[2 * i] = char(v & 0xFF);
        bytes[2 * i + 1] = char(v >> 8);
    }
    std::atomic<bool> never{false};
    play(bytes, false, never);
}

}  // namespace ui
