#include "core/prompt_sounds.h"

#include <string>

#include "core/clock.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/sound.h"
#include "core/xbase.h"

namespace core {

bool TSOUND(int number, std::optional<int> flags, std::string_view prefix)
{
    const core::Settings& s = core::programSettings();
    if (s.text("CSYSSOUND") != "Y")
        return true;
    std::string name(prefix);
    name += char('0' + number / 10 % 10);
    name += char('0' + number % 10);
    name += ".wav";
    const std::string path = core::paths::join(s.text("CDRV1"), "sounds\\" + name);
    if (core::paths::exists(path))
        core::sound().playWave(path, flags.has_value() && *flags == 0);
    return true;
}

// Number files: 00-09 the digits, 10 ten, 11 hundred, 12 thousand, 13 ten thousand, 14 hundred
// thousand, 15 million, 16 the "one" said after a ten, 21 the unit word, 22 the "two" of twenty.
void NSOUND(double value, int mode)
{
    core::idle();  // let the screen catch up before the sounds hold the thread
    auto say = [](int n) { TSOUND(n, 0, "Number"); };
    // Right-aligned in 12 with 2 decimals: characters 1..9 are the integer digits from
    // hundred-millions down to units, blank where the number is shorter.
    const std::string t = core::xbase::str(value, 12, 2);
    auto ch = [&](int pos) { return t[std::size_t(pos - 1)]; };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    auto digit = [](char c) { return c - '0'; };
    auto pair = [&](int pos) {  // the two characters ending at pos, read as a number (blank as 0)
        return (isDigit(ch(pos - 1)) ? digit(ch(pos - 1)) : 0) * 10 + (isDigit(ch(pos)) ? digit(ch(pos)) : 0);
    };
    auto tens = [&](int pos) {
        const char c = ch(pos);
        if (!isDigit(c) || c == '0')
            return;
        if (c == '2')
            say(22);
        else if (c != '1')
            say(digit(c));
        say(10);
    };
    auto plain = [&](int pos, int word) {
        const char c = ch(pos);
        if (isDigit(c) && c != '0') {
            say(digit(c));
            say(word);
        }
    };

    if (!(value > 0)) {
        say(0);
    } else {
        plain(1, 11);
        tens(2);
        if (const char c = ch(3); isDigit(c)) {
            if (c == '1')
                say(pair(3) >= 10 ? 16 : 1);
            else if (c != '0')
                say(digit(c));
            say(15);
        }
        plain(4, 14);
        plain(5, 13);
        plain(6, 12);
        plain(7, 11);
        tens(8);
        if (const char c = ch(9); isDigit(c) && c != '0') {
            if (c == '1')
                say(pair(9) >= 10 ? 16 : 1);
            else
                say(digit(c));
        }
    }
    if (mode == 0)
        say(21);
}

}  // namespace core
