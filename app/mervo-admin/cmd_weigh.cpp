// weigh [CONFIG.INI] [--port N] [--timeout S]: the weight dialog's reading without the dialog, for a
// site checking its cable and settings at the weighbridge. It opens the configured scale port the
// way a weigh-in does, prints every evaluated frame and finally the accepted weight or why there is
// none. With --detect it listens instead and names the line setting and frame format to configure.
//
// Output (stdout, UTF-8), one line each:
//   port COM1 /dev/ttyS0 COM1:9600,E,7,1 start=002 header=5 weight=5
//   note pseudo-terminal: parity, data bits not applied        (settings the device did not take)
//   frame 02 30 30 30 30 30 31 32 33 34 | weight=1234 stable=no repeat=0 zero=1 status=00110000
//   dropped 02 30 30 | incomplete frame                         (or: no start character)
//   message <title>: <text>                                     (what the operator would be told)
//   problem <why the port could not be used>
//   accepted 1234 | no weight | timeout after S s
// Exit codes: 0 a weight was accepted; 1 none was (no signal, timeout, port problem);
// 2 bad arguments.
#include "command_line.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#if MERVO_SERIAL
#include <QCoreApplication>
#include <QTimer>

#include "core/clock.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "scale/detect.h"
#include "scale/qt_serial_port.h"
#include "scale/reading_driver.h"
#include "scale/weight_dialog_model.h"
#include "shell/startup.h"
#endif

namespace admin {

#if MERVO_SERIAL
namespace {

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (!out.empty())
            out.push_back(' ');
        out.push_back(digits[u >> 4]);
        out.push_back(digits[u & 15]);
    }
    return out;
}

class PrintedPrompts final : public core::Prompts {
public:
    PrintedPrompts() : m_previous(core::setPrompts(this)) {}
    ~PrintedPrompts() override { core::setPrompts(m_previous); }
    void message(core::MessageKind, const std::string& text, const std::string& title) override
    {
        std::cout << "message " << core::tis620::toUtf8(core::xbase::alltrim(title)) << ": "
                  << core::tis620::toUtf8(text) << std::endl;
    }
    bool confirm(const std::string& text, const std::string& title) override
    {
        message(core::MessageKind::Info, text, title);
        return false;
    }

private:
    core::Prompts* m_previous;
};

class Recorder final : public scale::WeighTarget {
public:
    void receiveWeight(int, long long) override {}
    void disableWeighButton(int) override {}
    void enableAndFocusSave() override {}
};

class Printer final : public scale::WeightDialogListener {
public:
    explicit Printer(scale::WeightDialogModel& model) : m_model(model) {}

    void frameEvaluated(const scale::Evaluation& e) override
    {
        std::cout << "frame " << hex(e.frame) << " | weight=" << e.weight << " stable=" << (e.stable ? "yes" : "no")
                  << " repeat=" << e.repeatCount << " zero=" << int(e.zeroState);
        if (e.status.size() == 1)
            std::cout << " status=" << scale::DEC2BIN(static_cast<unsigned char>(e.status[0]));
        else if (!e.status.empty())
            std::cout << " status=" << e.status;
        if (e.motion)
            std::cout << " motion=" << (*e.motion ? "yes" : "no");
        if (e.repeat)
            std::cout << " (control character: previous weight)";
        if (!e.refusal.empty())
            std::cout << " (refused: " << core::tis620::toUtf8(e.refusal) << ")";
        std::cout << std::endl;
        // With "W.Read" "2" the operator presses accept; here it is pressed as soon as it would take.
        if (m_model.reader().config().handAccept && m_model.reader().acceptable(core::clock().monotonicMs()))
            m_model.acceptPressed();
    }
    void frameDropped(const std::string& partial, scale::DropReason reason) override
    {
        const char* why = reason == scale::DropReason::BadChecksum ? " | bad checksum"
                          : reason == scale::DropReason::NotAFrame ? " | not a frame"
                                                                    : " | incomplete frame";
        std::cout << "dropped " << (partial.empty() ? std::string("| no start character") : hex(partial) + why)
                  << std::endl;
    }
    void closeDialog() override { QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection); }

private:
    scale::WeightDialogModel& m_model;
};

constexpr int kListenMs = 1000;

// --detect: listens on the port's device for a second at each common line setting in turn (the
// configured one first) and names the first setting and frame format whose frames decode, with the
// frames and how many of those seen decoded.
int detect(const core::Settings& settings, QCoreApplication& app)
{
    const int n = scale::defaultPort(settings);
    const std::string number = std::to_string(n);
    const auto configured = scale::parsePortSetting(settings.text("CCPORT" + number));
    const scale::PortSetting base = configured.value_or(scale::PortSetting{});
    const scale::ReaderConfig rules = scale::readerConfig(settings, base.frame);
    const scale::IndicatorSign sign{rules.statusPosition, rules.signFromStatus};

    struct Line {
        int baud;
        char parity;
        int dataBits;
    };
    std::vector<Line> lines;
    if (configured)
        lines.push_back({base.baud, base.parity, base.dataBits});
    for (const int baud : {9600, 4800, 2400, 1200, 19200})
        for (const Line l : {Line{baud, 'E', 7}, Line{baud, 'N', 8}, Line{baud, 'O', 7}})
            if (!configured || l.baud != base.baud || l.parity != base.parity || l.dataBits != base.dataBits)
                lines.push_back(l);

    const std::string device = scale::devicePath(settings, n);
    std::cout << "port COM" << n << ' ' << device << std::endl;
    scale::QtSerialPort serial;
    for (const Line& l : lines) {
        scale::LineSettings ls;
        ls.device = device;
        ls.baud = l.baud;
        ls.parity = l.parity;
        ls.dataBits = l.dataBits;
        ls.stopBits = 1;
        std::string why;
        const scale::OpenResult opened = serial.open(ls, why);
        if (opened == scale::OpenResult::CannotOpen) {
            std::cout << "problem " << why << std::endl;
            return 1;
        }
        if (opened != scale::OpenResult::Opened) {
            std::cout << "problem " << why << std::endl;
            continue;
        }
        std::string bytes;
        const auto drain = QObject::connect(&serial, &scale::QtSerialPort::bytesArrived, &app, [&] {
            while (!serial.received().empty())
                bytes += serial.received().read();
        });
        QTimer::singleShot(kListenMs, &app, &QCoreApplication::quit);
        app.exec();
        QObject::disconnect(drain);
        serial.close();

        scale::PortSetting found = base;
        found.baud = l.baud;
        found.parity = l.parity;
        found.dataBits = l.dataBits;
        found.stopBits = 1;
        const std::string mode = found.modeText(n).substr(5);
        const auto scores = scale::scoreFormats(bytes, base.frame, sign);
        std::cout << "listen " << mode << ": " << bytes.size() << " bytes |";
        for (const scale::FormatScore& sc : scores)
            std::cout << ' ' << scale::frameKindName(sc.kind) << ' ' << sc.good << '/' << sc.good + sc.failed;
        std::cout << std::endl;
        const auto best = scale::bestMatch(scores);
        if (!best)
            continue;
        for (std::size_t i = 0; i < best->frames.size(); ++i)
            std::cout << "frame " << hex(best->frames[i]) << " | weight=" << best->weights[i] << std::endl;
        std::cout << "sure " << best->good << " of " << best->good + best->failed << " frames ("
                  << int(best->sureness() * 100) << "%)" << std::endl;
        char text[64];
        std::snprintf(text, sizeof text, "%05d,%c,%d,%d,%03d,%03d,%03d", found.baud, found.parity, found.dataBits,
                      found.stopBits, found.frame.startChar, found.frame.headerLength, found.frame.weightLength);
        std::cout << "Port#" << n << '=' << text << std::endl;
        std::cout << "Format#" << n << '=' << scale::frameKindName(best->kind) << std::endl;
        return 0;
    }
    std::cout << "no match" << std::endl;
    return 1;
}

}  // namespace
#endif

int cmdWeigh(const Args& args)
{
    std::string config, portText, timeoutText;
    bool detecting = false;
    CommandLine line("weigh", "weigh [CONFIG.INI] [--port N] [--timeout S]\nweigh CONFIG.INI --detect [--port N]");
    line.positional("CONFIG.INI", &config, "the configuration file (default MERVO.INI in the current folder)");
    line.value("--port", &portText, "read COM1 to COM4 instead of the \"Default\" port");
    line.value("--timeout", &timeoutText, "give up after S seconds (default 60)");
    line.flag("--detect", &detecting, "name the line setting and frame format the indicator speaks");
    if (const auto code = line.parse(args))
        return *code;
    if (line.given("CONFIG.INI") && (config.empty() || config[0] == '-'))
        return line.refuse();
    int port = 0;
    double timeout = 60;
    for (const auto& [option, text] : {std::pair{"--port", &portText}, std::pair{"--timeout", &timeoutText}}) {
        if (!line.given(option))
            continue;
        const std::string& v = *text;
        char* end = nullptr;
        const double n = std::strtod(v.c_str(), &end);
        const bool number = !v.empty() && *end == '\0';
        const bool isPort = text == &portText;
        if (isPort && number && (n == 1 || n == 2 || n == 3 || n == 4)) {
            port = int(n);
        } else if (!isPort && number && n > 0 && n <= 86400) {
            timeout = n;
        } else {
            std::cerr << "mervo-admin weigh: " << option << " takes " << (isPort ? "1 to 4" : "seconds, above 0")
                      << ", not \"" << v << "\"\n";
            return 2;
        }
    }

#if !MERVO_SERIAL
    (void)port;
    (void)timeout;
    (void)detecting;
    std::cerr << "mervo-admin weigh: this build has no serial port support (built without Qt)\n";
    return 1;
#else
    core::Settings& settings = core::programSettings();
    shell::startUp(settings, config);
    if (port)
        settings.setText("CCPORT", std::to_string(port));
    if (scale::defaultPort(settings) == 0) {
        std::cerr << "mervo-admin weigh: \"Comm\" \"Default\" is \"" << core::tis620::toUtf8(settings.text("CCPORT"))
                  << "\", not a port 1 to 4; give --port N\n";
        return 1;
    }

    static int argc = 1;
    static char name[] = "mervo-admin";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    if (detecting)
        return detect(settings, app);
    PrintedPrompts prompts;
    scale::QtSerialPort serial;
    scale::ReadingDriver driver(serial);
    Recorder target;
    scale::WeightDialogModel model(1, serial, driver, &target);
    driver.attach(model);
    Printer printer(model);
    model.setListener(&printer);

    model.open();
    model.DISPLAYW();
    const scale::LineSettings& lineSettings = model.lineSettings();
    std::cout << "port COM" << model.port() << ' ' << lineSettings.device;
    if (const auto& s = model.portSetting()) {
        char frame[64];
        std::snprintf(frame, sizeof frame, " start=%03d header=%d weight=%d", s->frame.startChar, s->frame.headerLength,
                      s->frame.weightLength);
        std::cout << ' ' << s->modeText(model.port()) << frame;
        if (const scale::FrameKind kind = model.reader().config().kind; kind != scale::FrameKind::Indicator)
            std::cout << " format=" << scale::frameKindName(kind);
    }
    std::cout << std::endl;
    if (!model.failureReason().empty())
        std::cout << "problem " << model.failureReason() << std::endl;
    for (const QString& w : serial.warnings())
        std::cout << "note " << w.toStdString() << std::endl;

    bool timedOut = false;
    if (model.portOpen()) {
        QTimer::singleShot(int(timeout * 1000), &app, [&] {
            timedOut = true;
            model.abandon();
            app.quit();
        });
        app.exec();
    }
    model.finish();
    if (const auto kg = model.delivered()) {
        std::cout << "accepted " << *kg << std::endl;
        return 0;
    }
    if (timedOut)
        std::cout << "timeout after " << timeout << " s" << std::endl;
    else
        std::cout << "no weight" << std::endl;
    return 1;
#endif
}

}  // namespace admin
