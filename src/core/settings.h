// Settings: the program-wide variables (VARFILE, CUSER, CDRV1, NFONTRATIO ...), by name.
//
// One store lives from start-up to exit. Names are matched without regard to letter case, as the
// expression evaluator matches them. Values are mostly texts in TIS-620 exactly as the
// configuration file holds them; NFONTRATIO and CPRNFAC are numbers after start-up. Not safe for
// concurrent use from several threads; the program has one UI thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/value.h"

namespace core {

class Settings {
public:
    bool has(std::string_view name) const;
    // NIL when the name is unknown.
    const Value& get(std::string_view name) const;
    void set(std::string_view name, Value v);
    void setText(std::string_view name, std::string text) { set(name, Value::text(std::move(text))); }

    // Typed reads for C++ callers: a text ("" when missing or not a text), a number (a text is read
    // with VAL; 0 when missing).
    const std::string& text(std::string_view name) const;
    double number(std::string_view name) const;

    void clear() { m_values.clear(); }
    // Calls f(name, value) for every variable, in no particular order.
    void forEach(const std::function<void(const std::string&, const Value&)>& f) const;

private:
    struct Entry {
        std::string name;  // spelling of the first set()
        Value value;
    };
    std::unordered_map<std::string, Entry> m_values;  // key: upper-case name
};

// The program's one store of program-wide variables (filled by start-up). Tests may clear it.
Settings& programSettings();

}  // namespace core
