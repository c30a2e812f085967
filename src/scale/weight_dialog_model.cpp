#include "scale/weight_dialog_model.h"

#include "core/clock.h"
#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/sound.h"
#include "core/tis620.h"
#include "scale/port_open.h"

namespace scale {
namespace {

using core::tis620::T;

constexpr int kBeepHz = 900;
constexpr int kBeepMs = 100;
constexpr int kOpenSound = 12;

std::string sectionTitle()
{
    return T("  ส่วนการรับสัญญาณน้ำหนัก");
}

Colours coloursOf(ZeroState z)
{
    switch (z) {
    case ZeroState::Acceptable:
        return {Colour::Red, Colour::Green};
    case ZeroState::Reading:
        return {Colour::Black, Colour::Green};
    default:
        return {Colour::Green, Colour::Black};
    }
}

}  // namespace

WeightDialogModel::WeightDialogModel(int which, SerialPort& port, Ticker& ticker, WeighTarget* target)
    : m_which(which == 2 ? 2 : 1),
      m_serial(port),
      m_ticker(ticker),
      m_target(target),
      m_reader(readerConfig(core::programSettings(), FrameFormat{}))
{
}

std::string WeightDialogModel::title()
{
    return T("  ค่าน้ำหนักจากเครื่องชั่ง");
}

std::string WeightDialogModel::acceptCaption()
{
    return T("&ยอมรับ");
}

std::string WeightDialogModel::portLabel()
{
    return "Scale";
}

void WeightDialogModel::open()
{
    const core::Settings& s = core::programSettings();
    m_reader = FrameReader(readerConfig(s, FrameFormat{}));
    m_colours = coloursOf(ZeroState::WaitingForZero);
    m_interval = timerInterval(s);
    m_closing = false;
    m_finished = false;
    m_abandoned = false;
    m_delivered.reset();
    m_byButton = false;
    m_lastFrame.clear();
    core::TSOUND(kOpenSound);
    m_port = defaultPort(s);
    m_portFieldShown = m_port == 0;
    m_portField = m_portFieldShown ? std::string(1, ' ') : std::string();
}

void WeightDialogModel::DISPLAYW()
{
    if (m_port == 0) {
        if (m_listener)
            m_listener->focusPortField();
        return;
    }
    if (COPEN()) {
        m_portOpen = true;
        m_ticker.start(m_interval);
    }
}

bool WeightDialogModel::portFieldEnabled() const
{
    return !(m_portField.size() == 1 && m_portField[0] >= '1' && m_portField[0] <= '4');
}

void WeightDialogModel::setPortField(const std::string& text)
{
    const char c = text.empty() ? ' ' : text[0];
    m_portField = std::string(1, c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
}

bool WeightDialogModel::MULTISCL()
{
    if (portFieldEnabled() || m_portOpen)
        return m_portOpen;
    m_port = m_portField[0] - '0';
    DISPLAYW();
    return m_portOpen;
}

bool WeightDialogModel::COPEN()
{
    const core::Settings& s = core::programSettings();
    PortOpening o = openScalePort(s, m_port, m_serial);
    m_setting = std::move(o.setting);
    m_line = std::move(o.line);
    m_failure = std::move(o.failure);
    if (!o.opened) {
        openFailed(o.message);
        return false;
    }
    m_reader = FrameReader(o.reader);
    return true;
}

// Reading could not start. The operator is told why; with the port field shown the field is
// emptied and takes the focus again so another port can be tried, otherwise the dialog closes
// without a weight. Either way the dialog may be left (mayClose) since no reading runs.
void WeightDialogModel::openFailed(const std::string& message)
{
    if (m_portFieldShown) {
        m_portField = " ";
        core::prompts().message(core::MessageKind::Stop, message, sectionTitle());
        if (m_listener)
            m_listener->focusPortField();
        return;
    }
    requestClose();
    core::prompts().message(core::MessageKind::Stop, message, sectionTitle());
}

void WeightDialogModel::RCOMM()
{
    if (!m_portOpen || m_closing)
        return;
    m_ticker.stop();
    m_reader.beginTick(core::clock().monotonicMs());
    service();
}

void WeightDialogModel::service()
{
    if (!m_portOpen || m_closing || !m_reader.tickOpen())
        return;
    if (m_serial.lost()) {
        noSignal();
        return;
    }
    handle(m_reader.service(m_serial.received(), core::clock().monotonicMs()));
}

void WeightDialogModel::handle(const TickResult& r)
{
    switch (r.end) {
    case TickEnd::Open:
        return;
    case TickEnd::Frame: {
        const Evaluation& e = *r.evaluation;
        m_lastFrame = e.frame;
        if (e.recolour)
            m_colours = coloursOf(e.zeroState);
        if (m_listener) {
            m_listener->frameEvaluated(e);
            m_listener->weightChanged();
        }
        if (m_closing)  // a listener pressed accept
            return;
        if (e.autoAccept)
            requestClose();
        else
            m_ticker.start(m_interval);
        return;
    }
    case TickEnd::NoSignal:
        noSignal();
        return;
    case TickEnd::Dropped:
        if (m_listener)
            m_listener->frameDropped(r.dropped, r.reason);
        m_ticker.start(m_interval);
        return;
    }
}

void WeightDialogModel::noSignal()
{
    m_reader.signalLost();
    requestClose();
    core::prompts().message(core::MessageKind::Stop, T("ไม่สามารถรับสัญญาณน้ำหนักได้ !"), sectionTitle());
}

void WeightDialogModel::requestClose()
{
    if (m_closing)
        return;
    m_closing = true;
    m_ticker.stop();
    if (m_listener)
        m_listener->closeDialog();
}

void WeightDialogModel::acceptPressed()
{
    if (m_closing)
        return;
    if (m_reader.acceptable(core::clock().monotonicMs())) {
        m_byButton = true;
        requestClose();
    } else {
        core::sound().tone(kBeepHz, kBeepMs);
    }
}

void WeightDialogModel::abandon()
{
    m_abandoned = true;
    requestClose();
}

std::string WeightDialogModel::weightText() const
{
    return m_reader.refusal().empty() ? scale::weightText(m_reader.weight()) : m_reader.refusal();
}

bool WeightDialogModel::mayClose() const
{
    return m_closing || !m_portOpen || int(m_reader.zeroState()) > 1;
}

void WeightDialogModel::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_closing = true;
    if (m_portOpen) {
        m_ticker.stop();
        m_serial.close();
        m_serial.clearErrors();
        m_portOpen = false;
    }
    // Only a weight the scale still shows is delivered: not one read before the frames stopped,
    // nor one the caller gave up on.
    if (m_abandoned || m_reader.zeroState() != ZeroState::Acceptable || !m_reader.fresh(core::clock().monotonicMs()) ||
        !m_target)
        return;
    const long long kg = m_reader.weight();
    m_delivered = kg;
    const std::optional<FrameKind> kind = frameKind(core::programSettings(), m_port);
    m_target->weightOrigin(m_which, {m_byButton, m_lastFrame, "COM" + std::to_string(m_port) + " " + m_line.device,
                                     kind ? frameKindName(*kind) : std::string()});
    m_target->receiveWeight(m_which, kg);
    m_target->disableWeighButton(m_which);
    core::NSOUND(double(kg));
    m_target->enableAndFocusSave();
}

}  // namespace scale
