// Clock: the date, the time of day and a monotonic clock, behind one seam so tests can fix or step
// time. Waits (lock retries, the weight dialog's silence rule) use the monotonic clock; stored
// dates and times use the wall clock.
#pragma once

#include <cstdint>
#include <string>

#include "core/date.h"

namespace core {

class Clock {
public:
    virtual ~Clock() = default;
    virtual Date today() = 0;
    // Hundredths of a second since local midnight (0 .. 8,639,999).
    virtual std::int64_t hundredthsSinceMidnight() = 0;
    // Milliseconds of a monotonic clock with an arbitrary origin.
    virtual std::int64_t monotonicMs() = 0;
    // Sleeps (or, in tests, advances time) for ms milliseconds.
    virtual void sleepMs(int ms) = 0;
};

Clock& clock();
Clock* setClock(Clock* c);  // nullptr restores the system clock; returns the previous one

// TIME(): "hh:mm:ss" of the clock in force.
std::string timeOfDay();

// TDELAY: waits the given number of seconds on the monotonic clock (midnight does not cut it
// short), sleeping in short steps and calling idle() between them so the GUI stays responsive.
void TDELAY(double seconds);

// Called between the attempts of every wait "without limit" (a lock, an open) so the GUI can keep
// its window responsive; does nothing until the program installs a hook.
using IdleHook = void (*)();
void setIdleHook(IdleHook hook);
void idle();

}  // namespace core
