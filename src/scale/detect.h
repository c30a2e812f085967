// Which frame format a captured byte stream speaks: every format's decoder run over the bytes, its
// frames counted, and the best taken - the installer's `mervo-admin weigh --detect`. No I/O.
//
// A format with checks of its own (toledo, xk3190, ascii) is preferred to the indicator frame,
// which takes almost any bytes after a start character: the indicator frame counts a frame only
// when its weight characters are digits, blanks, a sign or a point, and is the match only when no
// other format is.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scale/frame_formats.h"

namespace scale {

struct FormatScore {
    FrameKind kind = FrameKind::Indicator;
    int good = 0;    // frames that decoded to a weight or a refusal
    int failed = 0;  // frames that failed a checksum or the format
    std::vector<std::string> frames;  // the first good frames' bytes
    std::vector<long long> weights;   // and their weights
    // Good frames as a share of all frames, 0 with none.
    double sureness() const { return good + failed == 0 ? 0 : double(good) / double(good + failed); }
};

// Every format's score over `bytes`, in the order of FrameKind.
std::vector<FormatScore> scoreFormats(std::string_view bytes, const FrameFormat& layout, const IndicatorSign& sign);

// At least this many good frames, and at least this share of all frames, make a match.
constexpr int kDetectMinFrames = 3;
constexpr double kDetectMinSureness = 0.9;

// The best match among scores, or nothing when no format matches.
std::optional<FormatScore> bestMatch(const std::vector<FormatScore>& scores);

}  // namespace scale
