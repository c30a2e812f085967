// Test doubles for the program's seams: prompts that record what was shown and answer from a
// script, a clock that stands still or steps, and a fault handler that records faults. Each installs
// itself for the lifetime of the object and restores the previous one after.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/fault.h"
#include "core/prompts.h"
#include "core/sound.h"
#include "core/tis620.h"
#include "core/xbase.h"

namespace testsupport {

// Installs a double through its seam's setter for the double's lifetime and puts back what was
// there before. Declared as the double's last member: installed once the rest is built, removed
// before it goes.
template <class Service, Service* (*install)(Service*)>
class Installed {
public:
    explicit Installed(Service* self) : m_previous(install(self)) {}
    ~Installed() { install(m_previous); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

private:
    Service* m_previous;
};

class RecordingPrompts final : public core::Prompts {
public:
    struct Shown {
        core::MessageKind kind;
        std::string text;   // TIS-620, as the program passed it
        std::string title;  // TIS-620
        bool question;
    };

    void message(core::MessageKind kind, const std::string& text, const std::string& title) override
    {
        shown.push_back({kind, text, title, false});
    }
    bool confirm(const std::string& text, const std::string& title) override
    {
        shown.push_back({core::MessageKind::Info, text, title, true});
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<Shown> shown;
    std::deque<bool> answers;  // answers to confirm(), in order; No when empty

    // What was shown, in order and in UTF-8: the texts, or "title|text" with the title trimmed.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Shown& s : shown)
            out.push_back(core::tis620::toUtf8(s.text));
        return out;
    }
    std::vector<std::string> titledTexts() const
    {
        std::vector<std::string> out;
        for (const Shown& s : shown)
            out.push_back(core::tis620::toUtf8(core::xbase::alltrim(s.title)) + "|" + core::tis620::toUtf8(s.text));
        return out;
    }

private:
    Installed<core::Prompts, core::setPrompts> m_installed{this};
};

// A clock that moves only when told to (or when something sleeps on it).
class FakeClock final : public core::Clock {
public:
    explicit FakeClock(core::Date today = core::Date::fromYmd(2026, 12, 5), std::int64_t hundredths = 8 * 360000)
        : day(today), hundredths(hundredths)
    {
    }

    core::Date today() override { return day; }
    std::int64_t hundredthsSinceMidnight() override { return hundredths; }
    std::int64_t monotonicMs() override { return monotonic; }
    void sleepMs(int ms) override { advanceMs(ms); }

    void advanceMs(std::int64_t ms)
    {
        monotonic += ms;
        hundredths += ms / 10;
    }

    core::Date day;
    std::int64_t hundredths;
    std::int64_t monotonic = 0;

private:
    Installed<core::Clock, core::setClock> m_installed{this};
};

class RecordingFaultHandler final : public core::FaultHandler {
public:
    explicit RecordingFaultHandler(core::FaultAnswer answer = core::FaultAnswer::Default) : answer(answer) {}

    core::FaultAnswer handle(const core::Fault& f) override
    {
        faults.push_back(f);
        return answer;
    }

    core::FaultAnswer answer;
    std::vector<core::Fault> faults;

private:
    Installed<core::FaultHandler, core::setFaultHandler> m_installed{this};
};

// Records the wave files (their file names without folder) and tones played.
class RecordingSound final : public core::Sound {
public:
    void playWave(const std::string& path, bool toEnd) override
    {
        const auto slash = path.find_last_of('/');
        waves.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
        waitedToEnd.push_back(toEnd);
    }
    void tone(int hz, int) override { tones.push_back(hz); }

    std::vector<std::string> waves;
    std::vector<bool> waitedToEnd;
    std::vector<int> tones;

private:
    Installed<core::Sound, core::setSound> m_installed{this};
};

}  // namespace testsupport
