// LiveWeight: the indicator's weight as the main window and the ticket screens show it while no
// weight dialog reads the port - the configured port ("Comm" "Default") read on a timer through the
// same port opening and frame reader as the weight dialog, with nothing taken or accepted.
//
// The state shown: Stable (the reader counts the weight stable), Motion (a weight, not yet
// stable, or the indicator refuses it), NoSignal (nothing or no good frame for the silence window,
// the port cannot be opened, or the device went away) and Off (no scale port is configured). A
// frame that fails its checks leaves the weight shown; once the last reading is no longer fresh it
// is no longer shown as stable. After no signal the port is tried again every kRetryMs.
//
// Only one reader may hold a serial port: while a PortLease exists, the live weight registered with
// setLiveWeight() has closed its port and shows Off; when the last lease ends it opens it again.
// One thread; nothing here blocks.
#pragma once

#include <functional>
#include <string>

#include "scale/frame_reader.h"
#include "scale/serial_port.h"
#include "scale/ticker.h"

namespace scale {

enum class LiveState { Off, Stable, Motion, NoSignal };

class LiveWeight final : public TickedReading {
public:
    static constexpr int kRetryMs = 5000;
    static constexpr int kMinIntervalMs = 100;

    // The port and ticker must outlive the reading.
    LiveWeight(SerialPort& port, Ticker& ticker);
    ~LiveWeight() override;
    LiveWeight(const LiveWeight&) = delete;
    LiveWeight& operator=(const LiveWeight&) = delete;

    // Called after every change of text() or state().
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // Reads the settings and opens the configured port; Off when none is configured.
    void start();
    // Closes the port and shows Off.
    void stop();
    // The port given up for a weight dialog, and taken again after it.
    void release();
    void retake();
    bool released() const { return m_released; }

    void timerFired() override;
    void serviceTick() override;
    bool waitingForFrame() const override { return m_open && m_reader.tickOpen(); }

    LiveState state() const { return m_state; }
    // The weight as the weight dialog shows it, the indicator's refusal, or dashes without a
    // signal (TIS-620); empty when Off.
    std::string text() const;
    // The state in words (TIS-620).
    std::string stateText() const;
    static std::string stateText(LiveState state);
    int port() const { return m_port; }
    bool portOpen() const { return m_open; }
    // Why the port could not be opened (English, for diagnostics), else empty.
    const std::string& failureReason() const { return m_failure; }

private:
    void openPort();
    void closePort();
    void noSignal();
    void set(LiveState state);

    SerialPort& m_serial;
    Ticker& m_ticker;
    std::function<void()> m_onChange;
    FrameReader m_reader;
    LiveState m_state = LiveState::Off;
    int m_port = 0;
    int m_interval = 300;
    bool m_started = false;
    bool m_released = false;
    bool m_open = false;
    std::string m_failure;
};

// The live weight that PortLease releases; nullptr for none. Returns the previous one.
LiveWeight* setLiveWeight(LiveWeight* live);

// Held by a weight dialog for its whole life: the live weight lets the port go meanwhile.
class PortLease {
public:
    PortLease();
    ~PortLease();
    PortLease(const PortLease&) = delete;
    PortLease& operator=(const PortLease&) = delete;
};

}  // namespace scale
