#include "core/clock.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "core/seam.h"

namespace core {
namespace {

class SystemClock final : public Clock {
public:
    Date today() override { return Date::today(); }
    std::int64_t hundredthsSinceMidnight() override
    {
        const auto now = std::chrono::system_clock::now();
        const std::time_t t = std::chrono::system_clock::to_time_t(now);
        std::tm tm{};
        localtime_r(&t, &tm);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        return (std::int64_t(tm.tm_hour) * 3600 + tm.tm_min * 60 + tm.tm_sec) * 100 + ms / 10;
    }
    std::int64_t monotonicMs() override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SystemClock g_system;
core::Seam<Clock> g_clock(&g_system);
IdleHook g_idle = nullptr;

}  // namespace

Clock& clock()
{
    return g_clock.get();
}

Clock* setClock(Clock* c)
{
    return g_clock.install(c);
}

std::string timeOfDay()
{
    const std::int64_t s = clock().hundredthsSinceMidnight() / 100;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(s / 3600), int(s / 60 % 60), int(s % 60));
    return buf;
}

void TDELAY(double seconds)
{
    if (!(seconds > 0))
        return;
    constexpr int kStepMs = 10;
    const std::int64_t end = clock().monotonicMs() + std::int64_t(std::min(seconds * 1000, 1e12) + 0.5);
    for (std::int64_t now = clock().monotonicMs(); now < end; now = clock().monotonicMs()) {
        clock().sleepMs(int(std::min<std::int64_t>(kStepMs, end - now)));
        idle();
    }
}

void setIdleHook(IdleHook hook)
{
    g_idle = hook;
}

void idle()
{
    if (g_idle)
        g_idle();
}

}  // namespace core
