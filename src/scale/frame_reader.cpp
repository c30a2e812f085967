#include "scale/frame_reader.h"

#include <algorithm>

namespace scale {
namespace {

constexpr int kLengthLimit = 999;  // three digits in the setting

ReaderConfig normalised(ReaderConfig c)
{
    c.frame.headerLength = std::clamp(c.frame.headerLength, 1, kLengthLimit);
    c.frame.weightLength = std::clamp(c.frame.weightLength, 1, kLengthLimit);
    c.stableCount = std::max(c.stableCount, 0);
    c.silenceMs = std::max(c.silenceMs, 0);
    c.freshMs = std::max(c.freshMs, 0);
    return c;
}

}  // namespace

FrameReader::FrameReader(const ReaderConfig& config)
    : m_config(normalised(config)),
      m_decoder(m_config.kind, m_config.frame, IndicatorSign{m_config.statusPosition, m_config.signFromStatus})
{
    reset();
}

void FrameReader::reset()
{
    m_zero = m_config.zeroFirst ? ZeroState::WaitingForZero : ZeroState::Reading;
    m_weight = 0;
    m_previous = 0;
    m_repeat = 0;
    m_stable = false;
    m_hasReading = false;
    m_lastGoodFrameMs.reset();
    m_refusal.clear();
    m_shown.reset();
    m_tickOpen = false;
    m_decoder.restart();
}

void FrameReader::beginTick(std::int64_t nowMs)
{
    m_decoder.restart();
    m_tickStart = nowMs;
    m_lastActivity = nowMs;
    m_tickOpen = true;
    if (!m_lastGoodFrameMs)
        m_lastGoodFrameMs = nowMs;
}

void FrameReader::signalLost()
{
    m_zero = ZeroState::NoSignal;
    m_tickOpen = false;
    m_decoder.restart();
}

bool FrameReader::fresh(std::int64_t nowMs) const
{
    return m_hasReading && nowMs - m_lastReadingMs <= m_config.freshMs;
}

bool FrameReader::acceptable(std::int64_t nowMs) const
{
    return m_stable && m_zero == ZeroState::Acceptable && fresh(nowMs);
}

TickResult FrameReader::service(ByteQueue& in, std::int64_t nowMs)
{
    if (!m_tickOpen)
        beginTick(nowMs);
    TickResult r;
    for (;;) {
        if (nowMs - m_lastActivity >= m_config.silenceMs) {
            m_tickOpen = false;
            r.dropped = m_decoder.frame();
            m_decoder.restart();
            if (r.dropped.empty()) {
                m_zero = ZeroState::NoSignal;
                r.end = TickEnd::NoSignal;
            } else {
                r.end = TickEnd::Dropped;
            }
            return r;
        }
        const std::string chunk = in.read(ByteQueue::kReadSize);
        if (chunk.empty())
            return m_decoder.completeAtEnd() ? frameDone({}, nowMs) : r;
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            m_lastActivity = nowMs;
            switch (m_decoder.push(chunk[i])) {
            case FrameDecoder::Push::Complete:
                return frameDone(std::string_view(chunk).substr(i + 1), nowMs);
            case FrameDecoder::Push::CompleteBefore:
                return frameDone(std::string_view(chunk).substr(i), nowMs);
            default:
                break;
            }
        }
        if (nowMs - m_tickStart >= m_config.silenceMs) {
            // Bytes all along, and no frame: as good as no signal.
            m_tickOpen = false;
            r.dropped = m_decoder.frame();
            m_decoder.restart();
            m_zero = ZeroState::NoSignal;
            r.end = TickEnd::NoSignal;
            return r;
        }
    }
}

TickResult FrameReader::frameDone(std::string_view rest, std::int64_t nowMs)
{
    TickResult r;
    m_tickOpen = false;
    m_decoder.skipped(rest);
    const std::string bytes = m_decoder.frame();
    const FrameReading reading = m_decoder.take(m_previous);
    if (reading.outcome == FrameReading::Outcome::BadChecksum || reading.outcome == FrameReading::Outcome::NotAFrame) {
        const bool checksum = reading.outcome == FrameReading::Outcome::BadChecksum;
        ++(checksum ? m_badChecksums : m_notFrames);
        r.dropped = bytes;
        r.reason = checksum ? DropReason::BadChecksum : DropReason::NotAFrame;
        if (m_lastGoodFrameMs && nowMs - *m_lastGoodFrameMs >= m_config.silenceMs) {
            m_zero = ZeroState::NoSignal;
            r.end = TickEnd::NoSignal;
        } else {
            r.end = TickEnd::Dropped;
        }
        return r;
    }
    m_lastGoodFrameMs = nowMs;
    r.end = TickEnd::Frame;
    r.evaluation = evaluate(bytes, reading, nowMs);
    return r;
}

Evaluation FrameReader::evaluate(const std::string& bytes, const FrameReading& reading, std::int64_t nowMs)
{
    using Outcome = FrameReading::Outcome;
    Evaluation e;
    e.frame = bytes;
    e.motion = reading.motion;
    e.status = reading.status;
    e.refusal = reading.refusal;
    m_refusal = reading.refusal;

    // 1-3. The weight and its stability. A repeat stands for the previous weight - but only once a
    // real reading gave one; before that there is nothing to repeat and nothing counts.
    switch (reading.outcome) {
    case Outcome::Repeat:
        e.repeat = true;
        if (m_hasReading && m_repeat < m_config.stableCount)
            ++m_repeat;
        break;
    case Outcome::Refused:
        // The indicator says the digits are not a weight: the count starts again after it.
        m_weight = reading.kg;
        m_previous = reading.kg;
        m_repeat = 0;
        m_hasReading = false;
        break;
    default:
        m_weight = reading.kg;
        m_hasReading = true;
        m_lastReadingMs = nowMs;
        if (m_weight == m_previous) {
            if (m_repeat < m_config.stableCount)
                ++m_repeat;
        } else {
            m_previous = m_weight;
            m_repeat = 0;
        }
        break;
    }
    m_stable = m_hasReading && m_repeat >= m_config.stableCount && reading.motion != true;

    // 4. Zero state. Only a real reading of zero opens the gate.
    if (m_zero == ZeroState::WaitingForZero && reading.outcome == Outcome::Weight && m_weight == 0 && m_stable)
        m_zero = ZeroState::Reading;
    if (m_zero != ZeroState::WaitingForZero)
        m_zero = m_stable && m_weight >= 0 ? ZeroState::Acceptable : ZeroState::Reading;

    // 5. Colours follow the zero state; the first frame always sets them.
    e.recolour = m_shown != m_zero;
    m_shown = m_zero;

    e.weight = m_weight;
    e.stable = m_stable;
    e.repeatCount = m_repeat;
    e.zeroState = m_zero;
    // 6. Automatic acceptance.
    e.autoAccept = !m_config.handAccept && m_stable && m_weight > 0 && m_zero == ZeroState::Acceptable && fresh(nowMs);
    return e;
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
