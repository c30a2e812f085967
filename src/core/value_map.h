// ValueMap: named xBase values looked up without regard to letter case.
//
// The program-wide settings, the screen values of every document screen and the values of a
// running report are each one ValueMap; formulas, templates and report lines read them by name
// through the evaluator. An optional observer hears every set(), so a dialog can redraw the field
// bound to a value the model changed. Not for concurrent use from several threads.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/value.h"

namespace core {

class ValueMap {
public:
    using Observer = std::function<void(const std::string& name)>;

    bool has(std::string_view name) const;
    // NIL when the name is unknown.
    const Value& get(std::string_view name) const;
    void set(std::string_view name, Value v);
    void setText(std::string_view name, std::string text) { set(name, Value::text(std::move(text))); }
    void setNumber(std::string_view name, double v, int decimals = 0) { set(name, Value::number(v, decimals)); }

    // Typed reads for C++ callers: a text ("" when missing or not a text), a number (a text is read
    // with VAL; 0 when missing).
    const std::string& text(std::string_view name) const;
    double number(std::string_view name) const;

    void clear() { m_values.clear(); }
    std::size_t size() const { return m_values.size(); }
    // Calls f(name, value) for every value, in no particular order.
    void forEach(const std::function<void(const std::string&, const Value&)>& f) const;

    // The observer is called after each set() with the name as the caller spelled it.
    void setObserver(Observer o) { m_observer = std::move(o); }

private:
    struct Entry {
        std::string name;  // spelling of the first set()
        Value value;
    };
    std::unordered_map<std::string, Entry> m_values;  // key: upper-case name
    Observer m_observer;
};

}  // namespace core
