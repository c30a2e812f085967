// WeightDialogModel: the weight dialog of a weigh-in or weigh-out (READW) without its widgets - the
// reading state, the zero state's colours, the accept button's rule, the refusal to close, the port
// field, COPEN, RCOMM, and the delivery of the accepted weight to the ticket screen.
//
// The view (the Qt dialog, the diagnostics command, a test) creates it, calls open() before
// showing the dialog and DISPLAYW() once it is shown, forwards the timer, button presses, field
// exits and close requests, and calls finish() after the dialog has closed. The model talks back
// through WeightDialogListener, plays sounds through core::TSOUND/NSOUND and core::sound(), shows
// messages through core::prompts() and reads time from core::clock(). Reading never blocks: a tick
// stays open across calls to service() until a frame or the time rules end it. One thread.
#pragma once

#include <optional>
#include <string>

#include "scale/frame_reader.h"
#include "scale/port_setting.h"
#include "scale/serial_port.h"
#include "scale/ticker.h"

namespace scale {

// Where an accepted weight came from, for the weighing evidence: the last frame the indicator sent
// (bytes as received), the port ("COM1" and its device) and the frame format it spoke.
struct WeightOrigin {
    bool byButton = false;  // the operator's accept button; false: stable and taken by itself
    std::string frame;
    std::string port;
    std::string format;
};

// The ticket screen's side of a weighing. It owns cWin/cWout, its weigh buttons and its save
// button; the weight dialog uses them only through this, only when a weight was accepted.
class WeighTarget {
public:
    virtual ~WeighTarget() = default;
    // Told just before receiveWeight() what the weight was taken from.
    virtual void weightOrigin(int /*which*/, const WeightOrigin& /*origin*/) {}
    // cWin (which 1) or cWout (which 2) receives the weight in whole kilograms; the field is redrawn.
    virtual void receiveWeight(int which, long long kg) = 0;
    // The weigh-in (which 1) or weigh-out (which 2) button is disabled.
    virtual void disableWeighButton(int which) = 0;
    // The save button is enabled and takes the focus.
    virtual void enableAndFocusSave() = 0;
};

class WeightDialogListener {
public:
    virtual ~WeightDialogListener() = default;
    virtual void weightChanged() {}  // weightText() or weightColours() changed
    virtual void frameEvaluated(const Evaluation&) {}
    virtual void frameDropped(const std::string& /*bytes*/, DropReason) {}
    virtual void focusPortField() {}
    virtual void closeDialog() {}  // close the dialog now, then call finish()
};

enum class Colour { Black, White, Red, Green, Blue };
struct Colours {
    Colour text;
    Colour background;
    bool operator==(const Colours&) const = default;
};

// The weight's face as the settings of the site name it; the GUI maps it to an installed Thai face.
struct WeightFont {
    const char* face = "LilyUPC";
    bool bold = true;
    int width = 24;
    int height = 80;
};

class WeightDialogModel final : public TickedReading {
public:
    // which: 1 the first weight (cWin), 2 the second (cWout). The port, ticker and target must
    // outlive the model; target may be null (nothing is delivered).
    WeightDialogModel(int which, SerialPort& port, Ticker& ticker, WeighTarget* target);
    WeightDialogModel(const WeightDialogModel&) = delete;
    WeightDialogModel& operator=(const WeightDialogModel&) = delete;

    void setListener(WeightDialogListener* listener) { m_listener = listener; }

    // READW 1-2: the reading state reset, sound 12, the port taken from "Default".
    void open();
    // After the dialog was created: with a port 1..4 COPEN and the timer; else the port field.
    void DISPLAYW();
    // Leaving the port field: true, and reading started, when it holds 1..4 and the port opened.
    bool MULTISCL();
    // COPEN for the chosen port; true when it is open and configured. On failure the reason is
    // shown to the operator (see DISPLAYW).
    bool COPEN();
    // The timer fired: RCOMM begins a tick and reads what has arrived.
    void RCOMM();
    // Bytes arrived, or a short poll passed, while a tick is open.
    void service();

    // The reading driver's side: the timer is RCOMM, an arrival services the open tick.
    void timerFired() override { RCOMM(); }
    void serviceTick() override { service(); }
    bool waitingForFrame() const override { return tickOpen() && !closing(); }
    // The accept button: closes when the weight may be taken, else a short 900 Hz beep.
    void acceptPressed();
    // Escape or the system menu: whether the dialog may close now.
    bool mayClose() const;
    // The caller gives up (a time limit passed): the dialog closes and finish() delivers nothing.
    void abandon();
    // READW 6-7, after the dialog closed: the timer and port stopped, and the weight delivered when
    // the zero state is 2 and the reading is fresh. Runs once.
    void finish();

    // What the dialog shows.
    static std::string title();          // TIS-620
    static std::string acceptCaption();  // TIS-620, "&" before the access key
    static std::string portLabel();
    static Colours dialogColours() { return {Colour::White, Colour::Blue}; }
    static WeightFont weightFont() { return {}; }
    // The weight as shown, or the indicator's refusal of it (TIS-620).
    std::string weightText() const;
    Colours weightColours() const { return m_colours; }
    bool portFieldShown() const { return m_portFieldShown; }
    bool portFieldEnabled() const;
    const std::string& portField() const { return m_portField; }
    // Typing into the port field: one character, upper case.
    void setPortField(const std::string& text);

    int which() const { return m_which; }
    int port() const { return m_port; }  // 1..4, 0 while none is chosen
    bool portOpen() const { return m_portOpen; }
    bool tickOpen() const { return m_reader.tickOpen(); }
    bool closing() const { return m_closing; }
    int intervalMs() const { return m_interval; }
    const FrameReader& reader() const { return m_reader; }
    const std::optional<PortSetting>& portSetting() const { return m_setting; }
    const LineSettings& lineSettings() const { return m_line; }
    // Why COPEN failed, in English for diagnostics (the operator saw a Thai message); else empty.
    const std::string& failureReason() const { return m_failure; }
    // The weight handed to the ticket screen by finish(), if any.
    std::optional<long long> delivered() const { return m_delivered; }

private:
    void handle(const TickResult& r);
    void noSignal();
    void requestClose();
    void openFailed(const std::string& message);

    int m_which;
    SerialPort& m_serial;
    Ticker& m_ticker;
    WeighTarget* m_target;
    WeightDialogListener* m_listener = nullptr;
    FrameReader m_reader;
    Colours m_colours{Colour::Green, Colour::Black};
    int m_interval = 300;
    int m_port = 0;
    bool m_portFieldShown = false;
    std::string m_portField;
    std::optional<PortSetting> m_setting;
    LineSettings m_line;
    std::string m_failure;
    bool m_portOpen = false;
    bool m_closing = false;
    bool m_finished = false;
    bool m_abandoned = false;
    std::optional<long long> m_delivered;
    bool m_byButton = false;
    std::string m_lastFrame;
};

}  // namespace scale
