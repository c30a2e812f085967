// Weight profiles of the indicator simulator (mervo-scale-sim): a truck visit written as steps,
// and the player that turns them into one reading per frame.
//
// Plain C++; the same profile, rate and seed always give the same readings, frame for frame, so a
// test can play a visit and know every weight the program will see.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scale::sim {

enum class StepKind { Level, Ramp, Hold, Noise, Silence, Junk };

struct Step {
    StepKind kind = StepKind::Level;
    long long weight = 0;     // Level: the weight; Ramp: the target
    long long amplitude = 0;  // Noise
    std::int64_t durationMs = 0;
};

struct Profile {
    std::vector<Step> steps;
    std::int64_t durationMs() const;
};

// Steps are separated by blanks or line ends; "#" starts a comment that runs to the end of the line.
//
//   WEIGHT:DUR        show WEIGHT (kilograms, may be negative) for DUR
//   ramp:WEIGHT:DUR   move evenly from the current weight to WEIGHT over DUR
//   hold:DUR          keep the current weight
//   noise:AMP:DUR     the current weight plus or minus up to AMP, drawn afresh for every frame
//   silence:DUR       send nothing at all
//   junk:DUR          send bytes that never hold a start character
//
// DUR is a number followed by "ms", "s" or "m" (a bare number is seconds; "1.5s" is allowed), more
// than 0 and at most 24 hours. Weights and amplitudes are whole numbers up to 999,999,999. The
// weight before the first step is 0. Returns nothing, with a message naming the step, on bad text.
std::optional<Profile> parseProfile(std::string_view text, std::string* error = nullptr);

// What the indicator sends for one frame.
struct Reading {
    enum class Kind { Weight, Silence, Junk };
    Kind kind = Kind::Weight;
    long long weight = 0;
    bool motion = false;  // the weight differs from the previous frame's
};

// Frame i stands for the moment i / framesPerSecond seconds after the start.
class Player {
public:
    Player(Profile profile, double framesPerSecond, std::uint64_t seed);

    // The reading of frame `index`; nothing once the profile has ended.
    std::optional<Reading> frame(std::uint64_t index) const;
    // Frames in one play of the profile.
    std::uint64_t frameCount() const;
    double framesPerSecond() const { return m_rate; }

private:
    std::optional<long long> weightAt(std::uint64_t index, Reading::Kind* kind) const;

    Profile m_profile;
    std::vector<std::int64_t> m_startMs;     // of each step
    std::vector<long long> m_startWeight;    // the weight each step starts from
    double m_rate;
    std::uint64_t m_seed;
};

// A well-mixed 64-bit hash (splitmix64); the simulator's deterministic randomness.
std::uint64_t mix(std::uint64_t x);

}  // namespace scale::sim
