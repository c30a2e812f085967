// ReadingDriver: runs a TickedReading (the weight dialog, the live weight display) on the Qt event
// loop - the reading's timer and, while a tick waits for the rest of a frame, a call to
// serviceTick() on every arrival of bytes and on a short poll, so the 4-second rules are kept
// without ever blocking the loop.
//
// Create the port, then the driver, then the reading with the driver as its Ticker, then attach().
// All three live in one thread.
#pragma once

#include <QObject>
#include <QTimer>

#include "scale/ticker.h"

namespace scale {

class QtSerialPort;

class ReadingDriver final : public QObject, public Ticker {
    Q_OBJECT
public:
    static constexpr int kPollMs = 50;

    explicit ReadingDriver(QtSerialPort& port, QObject* parent = nullptr);
    void attach(TickedReading& reading) { m_model = &reading; }

    void start(int ms) override;
    void stop() override;

private:
    void afterCall();

    QtSerialPort& m_port;
    TickedReading* m_model = nullptr;
    QTimer m_timer;  // the dialog's timer
    QTimer m_poll;   // while a tick is open
};

}  // namespace scale
