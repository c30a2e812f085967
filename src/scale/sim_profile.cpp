#include "scale/sim_profile.h"

#include <algorithm>
#include <cmath>

namespace scale::sim {
namespace {

constexpr double kMaxDurationMs = 24.0 * 3600 * 1000;

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// An optional sign and 1 to 9 digits.
std::optional<long long> parseWeight(std::string_view s, bool allowSign)
{
    bool negative = false;
    if (allowSign && !s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), isDigit))
        return std::nullopt;
    long long v = 0;
    for (const char c : s)
        v = v * 10 + (c - '0');
    return negative ? -v : v;
}

// "2s", "500ms", "1.5s", "2m", "3" (seconds).
std::optional<std::int64_t> parseDuration(std::string_view s)
{
    std::size_t i = 0;
    double whole = 0;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i]) && digits < 9) {
        whole = whole * 10 + (s[i] - '0');
        ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    double fraction = 0, scale = 1;
    if (i < s.size() && s[i] == '.') {
        ++i;
        std::size_t fdigits = 0;
        while (i < s.size() && isDigit(s[i]) && fdigits < 6) {
            scale /= 10;
            fraction += (s[i] - '0') * scale;
            ++i, ++fdigits;
        }
        if (fdigits == 0)
            return std::nullopt;
    }
    const std::string unit = lower(s.substr(i));
    double factor = 0;
    if (unit.empty() || unit == "s")
        factor = 1000;
    else if (unit == "ms")
        factor = 1;
    else if (unit == "m")
        factor = 60000;
    else
        return std::nullopt;
    const double ms = std::round((whole + fraction) * factor);
    if (!(ms > 0) || ms > kMaxDurationMs)
        return std::nullopt;
    return std::int64_t(ms);
}

std::vector<std::string_view> split(std::string_view token)
{
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = token.find(':', from);
        parts.push_back(token.substr(from, colon == std::string_view::npos ? std::string_view::npos : colon - from));
        if (colon == std::string_view::npos)
            return parts;
        from = colon + 1;
    }
}

// One step, or a message saying what the step should look like.
std::optional<Step> parseStep(std::string_view token, std::string& why)
{
    const std::vector<std::string_view> f = split(token);
    const std::string word = lower(f[0]);
    Step step;
    auto duration = [&](std::string_view s) {
        const auto d = parseDuration(s);
        if (!d)
            why = "\"" + std::string(s) + "\" is not a duration (like 2s, 500ms, 1.5s or 1m; above 0, at most 24 hours)";
        else
            step.durationMs = *d;
        return d.has_value();
    };
    auto weight = [&](std::string_view s, bool allowSign, long long& out) {
        const auto w = parseWeight(s, allowSign);
        if (!w)
            why = "\"" + std::string(s) + "\" is not a whole number of kilograms up to 999999999";
        else
            out = *w;
        return w.has_value();
    };
    auto shape = [&](std::size_t n, const char* form) {
        if (f.size() != n)
            why = std::string("expected ") + form;
        return f.size() == n;
    };

    if (word == "ramp") {
        step.kind = StepKind::Ramp;
        if (shape(3, "ramp:WEIGHT:DURATION") && weight(f[1], true, step.weight) && duration(f[2]))
            return step;
    } else if (word == "hold" || word == "silence" || word == "junk") {
        step.kind = word == "hold" ? StepKind::Hold : word == "silence" ? StepKind::Silence : StepKind::Junk;
        if (shape(2, (word + ":DURATION").c_str()) && duration(f[1]))
            return step;
    } else if (word == "noise") {
        step.kind = StepKind::Noise;
        if (shape(3, "noise:AMPLITUDE:DURATION") && weight(f[1], false, step.amplitude) && duration(f[2]))
            return step;
    } else if (parseWeight(f[0], true)) {
        step.kind = StepKind::Level;
        if (shape(2, "WEIGHT:DURATION") && weight(f[0], true, step.weight) && duration(f[1]))
            return step;
    } else {
        why = "unknown step; steps are WEIGHT:DUR, ramp:WEIGHT:DUR, hold:DUR, noise:AMP:DUR, silence:DUR, junk:DUR";
    }
    return std::nullopt;
}

}  // namespace

std::int64_t Profile::durationMs() const
{
    std::int64_t total = 0;
    for (const Step& s : steps)
        total += s.durationMs;
    return total;
}

std::optional<Profile> parseProfile(std::string_view text, std::string* error)
{
    Profile profile;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' && text[end] != '\n' &&
               text[end] != '#')
            ++end;
        const std::string_view token = text.substr(i, end - i);
        std::string why;
        const auto step = parseStep(token, why);
        if (!step) {
            if (error) {
                const std::string shown = token.size() > 40 ? std::string(token.substr(0, 40)) + "..." : std::string(token);
                *error = "step " + std::to_string(profile.steps.size() + 1) + " \"" + shown + "\": " + why;
            }
            return std::nullopt;
        }
        profile.steps.push_back(*step);
        i = end;
    }
    if (profile.steps.empty()) {
        if (error)
            *error = "the profile has no steps";
        return std::nullopt;
    }
    return profile;
}

std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

Player::Player(Profile profile, double framesPerSecond, std::uint64_t seed)
    : m_profile(std::move(profile)), m_rate(std::clamp(framesPerSecond, 0.001, 1000.0)), m_seed(seed)
{
    std::int64_t t = 0;
    long long w = 0;
    for (const Step& s : m_profile.steps) {
        m_startMs.push_back(t);
        m_startWeight.push_back(w);
        t += s.durationMs;
        if (s.kind == StepKind::Level || s.kind == StepKind::Ramp)
            w = s.weight;
    }
}

std::uint64_t Player::frameCount() const
{
    return std::uint64_t(std::ceil(double(m_profile.durationMs()) * m_rate / 1000.0));
}

std::optional<long long> Player::weightAt(std::uint64_t index, Reading::Kind* kind) const
{
    const double t = double(index) * 1000.0 / m_rate;
    if (m_profile.steps.empty() || t >= double(m_profile.durationMs()))
        return std::nullopt;
    const auto it = std::upper_bound(m_startMs.begin(), m_startMs.end(), t, [](double v, std::int64_t s) { return v < double(s); });
    const std::size_t i = std::size_t(it - m_startMs.begin()) - 1;
    const Step& s = m_profile.steps[i];
    const long long from = m_startWeight[i];
    *kind = Reading::Kind::Weight;
    switch (s.kind) {
    case StepKind::Level:
        return s.weight;
    case StepKind::Ramp: {
        const double f = (t - double(m_startMs[i])) / double(s.durationMs);
        return from + std::llround(double(s.weight - from) * f);
    }
    case StepKind::Noise: {
        const std::uint64_t r = mix(m_seed ^ mix(index));
        const long long span = 2 * s.amplitude + 1;
        return from + static_cast<long long>(r % std::uint64_t(span)) - s.amplitude;
    }
    case StepKind::Silence:
        *kind = Reading::Kind::Silence;
        return from;
    case StepKind::Junk:
        *kind = Reading::Kind::Junk;
        return from;
    case StepKind::Hold:
        break;
    }
    return from;
}

std::optional<Reading> Player::frame(std::uint64_t index) const
{
    Reading r;
    const auto w = weightAt(index, &r.kind);
    if (!w)
        return std::nullopt;
    r.weight = *w;
    if (index > 0 && r.kind == Reading::Kind::Weight) {
        Reading::Kind before{};
        const auto previous = weightAt(index - 1, &before);
        r.motion = previous && before == Reading::Kind::Weight && *previous != *w;
    }
    return r;
}

}  // namespace scale::sim
