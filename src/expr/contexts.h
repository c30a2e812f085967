// Ready-made evaluation contexts: named values of a core::ValueMap (screen values, report values,
// settings), a record buffer with its field layout, and a chain that layers several of them in the
// order an xBase runtime resolves names (fields of the current table first, then variables).
//
// Each context belongs to one thread at a time, like the expressions evaluated against it.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "expr/expr.h"

namespace expr {

// Names held in a core::ValueMap: screen values, report values, the program-wide settings. A bound
// name is read by name at each evaluation (a short upper-case copy and a hash lookup, no heap
// allocation for names of up to 15 letters), so the map may change freely between evaluations:
// values set, added or cleared (a cleared name reads as NIL). Answers NAME and M->NAME.
// The map must outlive the context.
class ValueMapContext : public Context {
public:
    explicit ValueMapContext(const core::ValueMap& map) : m_map(&map) {}

    Binding bind(const NameRef& name) override;
    void read(std::int32_t slot, core::Value& out) override;

private:
    const core::ValueMap* m_map;
    std::vector<std::string> m_names;  // slot -> upper-case name
};

// Asks its layers in order; the first that knows a name holds it. A layer's own slots are used
// for reading, so the chain adds nothing to an evaluation but one generation() call per layer.
// The layers must outlive the chain (and every expression bound through it).
class ChainContext : public Context {
public:
    ChainContext() = default;
    explicit ChainContext(std::vector<Context*> layers) : m_layers(std::move(layers)) {}
    void setLayers(std::vector<Context*> layers);

    Binding bind(const NameRef& name) override;
    void read(std::int32_t, core::Value& out) override { out = core::Value(); }  // never bound to itself
    Binding bindTable(std::string_view alias) override;
    std::uint64_t generation() const override;

private:
    std::vector<Context*> m_layers;
};

// Variables of its own with program-wide settings behind them: the context of tests and of
// mervo-admin eval. A variable hides a setting of the same name.
class VariablesContext : public ChainContext {
public:
    explicit VariablesContext(const core::Settings& settings = core::programSettings());

    core::ValueMap& variables() { return m_variables; }
    void set(std::string_view name, core::Value value) { m_variables.set(name, std::move(value)); }

private:
    core::ValueMap m_variables;
    ValueMapContext m_variableLayer;
    ValueMapContext m_settingLayer;
};

// One field of a fixed-length record, as a DBF describes it.
struct RecordField {
    std::string name;         // as stored; matched without regard to case
    char type = 'C';          // 'C' text, 'N' number, 'D' date "YYYYMMDD", 'L' logical; others read as text
    std::uint32_t offset = 0; // from the start of the record buffer (byte 0 of a DBF record is the deletion flag)
    std::uint32_t width = 0;
    int decimals = 0;         // 'N' only
};

// Fields laid out one after another from byte 1 (byte 0 of a DBF record is the deletion flag),
// each {name, type, width, decimals}: for tests, benchmarks and work tables built in memory.
struct FieldDef {
    const char* name;
    char type;
    std::uint32_t width;
    int decimals = 0;
};
std::vector<RecordField> recordLayout(std::initializer_list<FieldDef> fields);

// The state the table-state functions report for a RecordContext; its owner keeps it current.
struct RecordState {
    double recNo = 0;
    double recCount = 0;
    bool deleted = false;
    bool eof = false;
    bool bof = false;
    bool found = false;
};

// The fields of one record buffer. Text fields read as their raw bytes, numbers as VAL of the field
// text with the field's decimals and width, dates from "YYYYMMDD" (blank or invalid: the empty
// date), logicals true for "T", "t", "Y", "y". Answers NAME and FIELD->NAME while it is the current
// table, and ALIAS->NAME for its alias. Offers RawField for text and date fields, so key texts such
// as "DTOS(DAYIN)+TMIN+TICKET" evaluate by copying bytes.
class RecordContext : public Context {
public:
    explicit RecordContext(std::vector<RecordField> fields, std::string alias = {}, bool current = true);

    // The record to read from: at least as long as the widest field's offset + width. Changing it
    // needs no rebinding.
    void setRecord(const char* record) { m_record = record; }
    const char* record() const { return m_record; }
    RecordState& state() { return m_state; }
    const std::string& alias() const { return m_alias; }
    void setCurrent(bool current);

    Binding bind(const NameRef& name) override;
    void read(std::int32_t slot, core::Value& out) override;
    void appendText(std::int32_t slot, std::string& out) override;
    core::Date date(std::int32_t slot) override;
    RawField rawField(std::int32_t slot) override;
    Binding bindTable(std::string_view alias) override;
    core::Value tableState(std::int32_t slot, TableQuery query) override;

private:
    std::vector<RecordField> m_fields;
    std::string m_alias;
    bool m_current;
    const char* m_record = nullptr;
    RecordState m_state;
};

}  // namespace expr
