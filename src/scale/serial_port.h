// SerialPort: the line to the weighing indicator as the weight dialog uses it - open with line
// settings, bytes collected into a receive queue as they arrive, error flags cleared, close.
//
// The program's port is the Qt one (scale/qt_serial_port.h); MemoryPort below is the in-memory
// byte source the tests feed. Ports are used from one thread.
#pragma once

#include <string>

#include "scale/byte_queue.h"
#include "scale/port_setting.h"

namespace scale {

enum class OpenResult {
    Opened,          // open and configured
    CannotOpen,      // the device is missing, busy or not allowed
    CannotConfigure, // open, but the line settings were refused (the port is closed again)
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device for reading and writing with the line settings, raises DTR, and starts
    // collecting received bytes into received(), which begins empty. `why` receives a one-line
    // description (English, for diagnostics) when the result is not Opened.
    virtual OpenResult open(const LineSettings& line, std::string& why) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Clears the port's error flags; the value is of no interest to the reader.
    virtual void clearErrors() = 0;
    // The bytes received and not yet read.
    virtual ByteQueue& received() = 0;
    // The device went away while open (the other end closed, an adapter was unplugged): the port
    // has closed itself and nothing more will arrive.
    virtual bool lost() const = 0;
};

// A port whose bytes come from the test: push() stands for the indicator sending.
class MemoryPort final : public SerialPort {
public:
    OpenResult open(const LineSettings& line, std::string& why) override
    {
        opened = line;
        ++openCount;
        if (result != OpenResult::Opened) {
            why = "refused by the test";
            return result;
        }
        m_open = true;
        m_lost = false;
        m_queue.clear();
        return OpenResult::Opened;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void clearErrors() override { ++clearCount; }
    ByteQueue& received() override { return m_queue; }
    bool lost() const override { return m_lost; }

    // Bytes arriving; ignored while the port is closed, as a closed device hears nothing.
    void push(const std::string& bytes)
    {
        if (m_open)
            m_queue.push(bytes);
    }
    void loseDevice()
    {
        m_open = false;
        m_lost = true;
    }

    OpenResult result = OpenResult::Opened;  // what the next open() answers
    LineSettings opened;                     // the settings of the last open()
    int openCount = 0;
    int clearCount = 0;

private:
    ByteQueue m_queue;
    bool m_open = false;
    bool m_lost = false;
};

}  // namespace scale
