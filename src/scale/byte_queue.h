// ByteQueue: the receive buffer between a serial port and the frame reader - a ring of 2048 bytes
// that the port fills as bytes arrive and a reading tick empties, 1024 bytes at most per read.
//
// When bytes arrive faster than the ticks take them, the oldest are overwritten, so the reader
// always sees the indicator's latest frames and the buffer never grows. Not thread-safe: the port
// fills it from the thread that reads it (the UI thread's event loop).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scale {

class ByteQueue {
public:
    static constexpr std::size_t kCapacity = 2048;
    static constexpr std::size_t kReadSize = 1024;  // the most one read copies out

    // Appends bytes; when the ring is full the oldest bytes give way.
    void push(std::string_view bytes)
    {
        for (const char c : bytes) {
            if (m_size == kCapacity) {
                m_head = (m_head + 1) % kCapacity;
                --m_size;
                ++m_overwritten;
            }
            m_ring[(m_head + m_size) % kCapacity] = c;
            ++m_size;
        }
    }

    // Copies out and removes up to `max` (at most kReadSize) of the oldest bytes; never waits.
    std::string read(std::size_t max = kReadSize)
    {
        std::string out;
        const std::size_t n = std::min({max, kReadSize, m_size});
        out.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            out.push_back(m_ring[(m_head + i) % kCapacity]);
        m_head = (m_head + n) % kCapacity;
        m_size -= n;
        return out;
    }

    void clear()
    {
        m_head = 0;
        m_size = 0;
    }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Bytes lost to overwriting since the queue was made.
    std::uint64_t overwritten() const { return m_overwritten; }

private:
    std::array<char, kCapacity> m_ring{};
    std::size_t m_head = 0;
    std::size_t m_size = 0;
    std::uint64_t m_overwritten = 0;
};

}  // namespace scale
