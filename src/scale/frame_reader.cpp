#include "scale/frame_reader.h"

#include <algorithm>
#include <cmath>

#include "core/xbase.h"

namespace scale {
namespace {

constexpr long long kWeightLimit = 999'999'999'999LL;
constexpr int kLengthLimit = 999;  // three digits in the setting

ReaderConfig normalised(ReaderConfig c)
{
    c.frame.headerLength = std::clamp(c.frame.headerLength, 1, kLengthLimit);
    c.frame.weightLength = std::clamp(c.frame.weightLength, 1, kLengthLimit);
    c.stableCount = std::max(c.stableCount, 0);
    c.silenceMs = std::max(c.silenceMs, 0);
    return c;
}

}  // namespace

FrameReader::FrameReader(const ReaderConfig& config) : m_config(normalised(config))
{
    reset();
}

void FrameReader::reset()
{
    m_zero = m_config.zeroFirst ? ZeroState::WaitingForZero : ZeroState::Reading;
    m_weight = 0;
    m_previous = 0;
    m_repeat = 0;
    m_shown.reset();
    m_tickOpen = false;
    m_frame.clear();
}

void FrameReader::beginTick(std::int64_t nowMs)
{
    m_frame.clear();
    m_tickStart = nowMs;
    m_lastActivity = nowMs;
    m_tickOpen = true;
}

void FrameReader::signalLost()
{
    m_zero = ZeroState::NoSignal;
    m_tickOpen = false;
    m_frame.clear();
}

bool FrameReader::acceptable() const
{
    return m_repeat >= m_config.stableCount && m_zero == ZeroState::Acceptable;
}

TickResult FrameReader::service(ByteQueue& in, std::int64_t nowMs)
{
    if (!m_tickOpen)
        beginTick(nowMs);
    const std::size_t length = std::size_t(m_config.frame.length());
    TickResult r;
    for (;;) {
        if (nowMs - m_lastActivity >= m_config.silenceMs) {
            m_tickOpen = false;
            if (m_frame.empty()) {
                m_zero = ZeroState::NoSignal;
                r.end = TickEnd::NoSignal;
            } else {
                r.end = TickEnd::Dropped;
                r.dropped = std::move(m_frame);
            }
            m_frame.clear();
            return r;
        }
        const std::string chunk = in.read(ByteQueue::kReadSize);
        if (chunk.empty())
            return r;
        for (const char c : chunk) {
            m_lastActivity = nowMs;
            if (m_frame.empty() && static_cast<unsigned char>(c) != m_config.frame.startChar)
                continue;
            m_frame.push_back(c);
            if (m_frame.size() == length) {
                r.end = TickEnd::Frame;
                r.evaluation = evaluate();
                m_frame.clear();
                m_tickOpen = false;
                return r;
            }
        }
        if (nowMs - m_tickStart >= m_config.silenceMs) {
            m_tickOpen = false;
            r.end = TickEnd::Dropped;
            r.dropped = std::move(m_frame);
            m_frame.clear();
            return r;
        }
    }
}

Evaluation FrameReader::evaluate()
{
    Evaluation e;
    e.frame = m_frame;

    // 1-2. Sign from the status byte's bit of value 2, weight from the last characters. A repeat
    // (control character in the weight) keeps the previous weight as it was: applying the sign to
    // it again would flip a negative reading to positive.
    bool negative = false;
    if (m_config.signFromStatus) {
        const int pos = m_config.statusPosition;
        const unsigned char status =
            pos >= 1 && std::size_t(pos) <= m_frame.size() ? static_cast<unsigned char>(m_frame[std::size_t(pos - 1)]) : 0;
        negative = (status & 2) != 0;
    }
    const std::string_view weightChars =
        std::string_view(m_frame).substr(m_frame.size() - std::size_t(m_config.frame.weightLength));
    const long long read = RDVAL(weightChars, m_previous, &e.repeat);
    m_weight = e.repeat || !negative ? read : -read;

    // 3. Stability.
    if (m_weight == m_previous) {
        if (m_repeat < m_config.stableCount)
            ++m_repeat;
    } else {
        m_previous = m_weight;
        m_repeat = 0;
    }
    const bool stable = m_repeat >= m_config.stableCount;

    // 4. Zero state.
    if (m_zero == ZeroState::WaitingForZero && m_weight == 0 && stable)
        m_zero = ZeroState::Reading;
    if (m_zero != ZeroState::WaitingForZero)
        m_zero = stable && m_weight >= 0 ? ZeroState::Acceptable : ZeroState::Reading;

    // 5. Colours follow the zero state; the first frame always sets them.
    e.recolour = m_shown != m_zero;
    m_shown = m_zero;

    e.weight = m_weight;
    e.stable = stable;
    e.repeatCount = m_repeat;
    e.zeroState = m_zero;
    // 6. Automatic acceptance.
    e.autoAccept = !m_config.handAccept && stable && m_weight > 0 && m_zero == ZeroState::Acceptable;
    return e;
}

long long RDVAL(std::string_view text, long long previous, bool* repeat)
{
    std::string kept;
    bool control = false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32)
            control = true;
        else if (c == '+' || c == '-' || (c >= '0' && c <= '9'))
            kept.push_back(c);
    }
    if (repeat)
        *repeat = control;
    if (control)
        return previous;
    const double v = core::xbase::val(kept).value;
    if (!std::isfinite(v))
        return 0;
    return std::llround(std::clamp(v, double(-kWeightLimit), double(kWeightLimit)));
}

std::string DEC2BIN(int n)
{
    std::string bits(8, '0');
    for (int i = 0; i < 8; ++i)
        if (n & (1 << i))
            bits[std::size_t(7 - i)] = '1';
    return bits;
}

std::string weightText(long long kg)
{
    // "999,999": six digit places; a minus sign takes one of them.
    const bool negative = kg < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(kg) : static_cast<unsigned long long>(kg);
    std::string digits = std::to_string(magnitude);
    if (digits.size() + (negative ? 1 : 0) > 6)
        return "***,*** Kg.";
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped.push_back(',');
        grouped.push_back(digits[i]);
    }
    return (negative ? "-" : "") + grouped + " Kg.";
}

}  // namespace scale
