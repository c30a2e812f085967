#include "scale/live_weight.h"

#include <algorithm>

#include "core/clock.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "scale/port_open.h"
#include "scale/port_setting.h"

namespace scale {
namespace {

using core::tis620::T;

LiveWeight* g_live = nullptr;
int g_leases = 0;

}  // namespace

LiveWeight::LiveWeight(SerialPort& port, Ticker& ticker)
    : m_serial(port), m_ticker(ticker), m_reader(ReaderConfig{})
{
}

LiveWeight::~LiveWeight()
{
    if (g_live == this)
        g_live = nullptr;
    m_onChange = nullptr;
    closePort();
}

void LiveWeight::start()
{
    m_started = true;
    if (!m_released)
        openPort();
}

void LiveWeight::stop()
{
    m_started = false;
    closePort();
    set(LiveState::Off);
}

void LiveWeight::release()
{
    m_released = true;
    closePort();
    set(LiveState::Off);
}

void LiveWeight::retake()
{
    m_released = false;
    if (m_started)
        openPort();
}

void LiveWeight::openPort()
{
    closePort();
    const core::Settings& s = core::programSettings();
    m_port = defaultPort(s);
    m_interval = std::max(timerInterval(s), kMinIntervalMs);
    m_failure.clear();
    if (m_port == 0) {
        set(LiveState::Off);
        return;
    }
    PortOpening o = openScalePort(s, m_port, m_serial);
    if (!o.opened) {
        m_failure = o.failure;
        noSignal();
        return;
    }
    m_open = true;
    // Like the dialog's reading, but nothing waits for a zero: the display shows whatever is on
    // the scale.
    o.reader.zeroFirst = false;
    m_reader = FrameReader(o.reader);
    set(LiveState::NoSignal);  // until the first frame
    m_ticker.start(m_interval);
}

void LiveWeight::closePort()
{
    m_ticker.stop();
    if (m_open) {
        m_serial.close();
        m_serial.clearErrors();
        m_open = false;
    }
}

void LiveWeight::noSignal()
{
    closePort();
    set(LiveState::NoSignal);
    m_ticker.start(kRetryMs);
}

void LiveWeight::timerFired()
{
    if (!m_started || m_released)
        return;
    if (!m_open) {
        openPort();
        return;
    }
    m_reader.beginTick(core::clock().monotonicMs());
    serviceTick();
}

void LiveWeight::serviceTick()
{
    if (!m_open || !m_reader.tickOpen())
        return;
    if (m_serial.lost()) {
        noSignal();
        return;
    }
    const std::int64_t now = core::clock().monotonicMs();
    const TickResult r = m_reader.service(m_serial.received(), now);
    switch (r.end) {
    case TickEnd::Open:
        return;
    case TickEnd::Frame:
        set(r.evaluation->stable ? LiveState::Stable : LiveState::Motion);
        break;
    case TickEnd::NoSignal:
        // The port stays open: the indicator may simply be switched off for a while.
        set(LiveState::NoSignal);
        break;
    case TickEnd::Dropped:
        if (m_state == LiveState::Stable && !m_reader.fresh(now))
            set(LiveState::Motion);
        break;
    }
    m_ticker.start(m_interval);
}

void LiveWeight::set(LiveState state)
{
    m_state = state;
    if (m_onChange)
        m_onChange();
}

std::string LiveWeight::text() const
{
    switch (m_state) {
    case LiveState::Off:
        return {};
    case LiveState::NoSignal:
        return "--- Kg.";
    default:
        return m_reader.refusal().empty() ? weightText(m_reader.weight()) : m_reader.refusal();
    }
}

std::string LiveWeight::stateText() const
{
    return stateText(m_state);
}

std::string LiveWeight::stateText(LiveState state)
{
    switch (state) {
    case LiveState::Stable: return T("น้ำหนักนิ่ง");
    case LiveState::Motion: return T("น้ำหนักกำลังเปลี่ยน");
    case LiveState::NoSignal: return T("ไม่มีสัญญาณจากเครื่องชั่ง");
    case LiveState::Off: break;
    }
    return T("ไม่ได้อ่านเครื่องชั่ง");
}

LiveWeight* setLiveWeight(LiveWeight* live)
{
    LiveWeight* previous = g_live;
    g_live = live;
    if (live && g_leases > 0)
        live->release();
    return previous;
}

PortLease::PortLease()
{
    if (g_leases++ == 0 && g_live)
        g_live->release();
}

PortLease::~PortLease()
{
    if (--g_leases == 0 && g_live)
        g_live->retake();
}

}  // namespace scale
