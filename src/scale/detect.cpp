#include "scale/detect.h"

#include <algorithm>

namespace scale {
namespace {

constexpr std::size_t kKeptFrames = 5;

// The indicator frame has no checks: its weight characters must at least look like a weight.
bool plausibleIndicator(std::string_view frame, const FrameFormat& layout)
{
    const std::size_t width = std::min(frame.size(), std::size_t(std::max(layout.weightLength, 1)));
    const std::string_view w = frame.substr(frame.size() - width);
    return std::all_of(w.begin(), w.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == ' ' || c == '+' || c == '-' || c == '.'; });
}

}  // namespace

std::vector<FormatScore> scoreFormats(std::string_view bytes, const FrameFormat& layout, const IndicatorSign& sign)
{
    std::vector<FormatScore> scores;
    for (const FrameKind kind : {FrameKind::Indicator, FrameKind::Toledo, FrameKind::Xk3190, FrameKind::Ascii}) {
        FormatScore s;
        s.kind = kind;
        FrameDecoder decoder(kind, layout, sign);
        long long previous = 0;
        auto count = [&] {
            const std::string frame = decoder.frame();
            const FrameReading r = decoder.take(previous);
            using O = FrameReading::Outcome;
            const bool good = (r.outcome == O::Weight || r.outcome == O::Refused) &&
                              (kind != FrameKind::Indicator || plausibleIndicator(frame, layout));
            if (!good) {
                ++s.failed;
                return;
            }
            ++s.good;
            previous = r.kg;
            if (s.frames.size() < kKeptFrames) {
                s.frames.push_back(frame);
                s.weights.push_back(r.kg);
            }
        };
        for (const char c : bytes) {
            const FrameDecoder::Push p = decoder.push(c);
            if (p == FrameDecoder::Push::Complete || p == FrameDecoder::Push::CompleteBefore)
                count();
            if (p == FrameDecoder::Push::CompleteBefore)
                decoder.push(c);  // the byte begins the next frame
        }
        if (decoder.completeAtEnd())
            count();
        scores.push_back(std::move(s));
    }
    return scores;
}

std::optional<FormatScore> bestMatch(const std::vector<FormatScore>& scores)
{
    std::optional<FormatScore> best;
    auto matches = [](const FormatScore& s) { return s.good >= kDetectMinFrames && s.sureness() >= kDetectMinSureness; };
    for (const FormatScore& s : scores) {
        if (!matches(s) || s.kind == FrameKind::Indicator)
            continue;
        if (!best || s.good > best->good)
            best = s;
    }
    if (!best)
        for (const FormatScore& s : scores)
            if (s.kind == FrameKind::Indicator && matches(s))
                best = s;
    return best;
}

}  // namespace scale
