// Driving the ticket screens' Qt dialogs in tests: showing a window as the active one, acting when
// a modal dialog of a kind is up (the next step of a test runs inside the dialog's own event
// loop), answering the truck prompt, typing into a field as a person does, and an indicator
// simulator showing one steady weight on a pseudo-terminal.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "support/qt_typing.h"
#include "support/run_process.h"
#include "ui/entry_field.h"

namespace tickettest {

using testsupport::showActive;

// Runs `act` once the top modal widget is a W for which `ready` holds (polled on the event loop).
template <class W>
void whenShown(std::function<void(W*)> act, std::function<bool(W*)> ready = [](W*) { return true; })
{
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act), ready = std::move(ready)] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!w || !ready(w))
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

// The tool bar pictures a site is made with, in the test site whose code tables are in `tables`.
void addToolPictures(const std::string& tables);

// The next truck prompt gets `truck` (UTF-8) typed and OK pressed.
void whenTruckPrompt(const std::string& truck);

// Focus into the field (its window made active), the field left before it checked, the text typed
// over what the field held, Tab.
void typeInto(ui::EntryField* f, const std::string& utf8);

// Indicator port 1 set as mervo-scale-sim writes (9600 7E1, two header and five weight
// characters): three equal frames make a stable weight, read every 50 ms, taken once stable.
void useSimulatedIndicator(core::Settings& s);

// A demo site made by `mervo-admin init SITE --demo --no-week` (the demo's codes, templates and
// reports, the books empty and every series at 1, so a day's numbers and balances are its own) and
// started on as the program starts: the program-wide settings read from its configuration file, its
// folders, the user ADMIN and the simulated indicator. Failures are test failures.
void startDemoSite(const std::string& site);

// mervo-scale-sim showing `weight` kilograms for a minute, 50 frames a second, with its further
// `options` (another frame format: "--format", "toledo").
struct Indicator {
    explicit Indicator(long long weight, std::vector<std::string> options = {});
    testsupport::ChildProcess process;
    std::string path;  // the pseudo-terminal, "/dev/pts/N"
};

// Fails the whole program after `seconds` without finishing: a dialog that never came would
// otherwise hold the test until ctest's limit.
class Watchdog {
public:
    explicit Watchdog(int seconds);

private:
    QTimer m_timer;
};

}  // namespace tickettest
