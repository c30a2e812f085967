// The two sides of reading on a timer: the Ticker the reading starts and stops (one shot after
// `ms`), and the TickedReading a driver runs - the timer's timeout, the arrival of bytes or a short
// poll while a tick waits for the rest of a frame. The weight dialog and the live weight display
// are both TickedReadings under the same Qt driver (scale/reading_driver.h).
#pragma once

namespace scale {

class Ticker {
public:
    virtual ~Ticker() = default;
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
};

class TickedReading {
public:
    virtual ~TickedReading() = default;
    virtual void timerFired() = 0;
    // Bytes arrived or the poll passed; only called while waitingForFrame().
    virtual void serviceTick() = 0;
    virtual bool waitingForFrame() const = 0;
};

}  // namespace scale
