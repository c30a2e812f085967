#include "storage/table_row_source.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/clock.h"
#include "core/fault.h"
#include "core/xbase.h"
#include "expr/functions.h"
#include "storage/fault_bridge.h"

namespace storage {
namespace {

// Answers every fault Quit and keeps the first description.
class FaultCatcher final : public core::FaultHandler {
public:
    FaultCatcher() : m_previous(core::setFaultHandler(this)) {}
    ~FaultCatcher() override { core::setFaultHandler(m_previous); }
    core::FaultAnswer handle(const core::Fault& f) override
    {
        if (first.empty())
            first = f.description.empty() ? "fault" : f.description;
        return core::FaultAnswer::Quit;
    }
    std::string first;

private:
    core::FaultHandler* m_previous;
};

}  // namespace

TableRowSource::TableRowSource(Table& table, expr::Context* variables) : m_table(table)
{
    for (const Field& f : table.layout().fields())
        m_fields.push_back({f.name, char(f.type), f.offset, f.length, f.decimals});
    m_record = std::make_unique<expr::RecordContext>(m_fields);
    if (!variables) {
        m_settings = std::make_unique<expr::ValueMapContext>(core::programSettings());
        variables = m_settings.get();
    }
    m_context.setLayers({m_record.get(), variables});
}

TableRowSource::~TableRowSource() = default;

Status TableRowSource::create(Table& table, const std::vector<std::string>& columns,
                              std::unique_ptr<TableRowSource>* out, std::string_view scope, expr::Context* variables)
{
    std::unique_ptr<TableRowSource> s(new TableRowSource(table, variables));
    // Each column is tried once on a blank record, so a name that does not exist or a type error
    // is reported here rather than by the error trap at every row the browse paints.
    const std::string blank = table.layout().blankRecord();
    s->m_record->setRecord(blank.data());
    for (const std::string& c : columns) {
        expr::CompileError error;
        expr::Expression e = expr::Expression::compile(c, &error);
        if (!e.valid())
            return Status::invalidArgument("column \"" + c + "\": " + error.message);
        FaultCatcher faults;
        if (!e.evaluate(s->m_context, s->m_value) || !faults.first.empty())
            return Status::invalidArgument("column \"" + c + "\": " + faults.first);
        s->m_columns.push_back(std::move(e));
    }
    s->m_record->setRecord(nullptr);
    s->m_scope = std::string(scope);
    s->syncToTable();
    *out = std::move(s);
    return {};
}

void TableRowSource::keep(const Status& s)
{
    if (!s.ok() && m_error.ok())
        m_error = s;
}

void TableRowSource::reportFailures()
{
    if (m_error.ok())
        return;
    // Reading is all a browse does, so it may go on with the rows it has (Default), and the
    // person can leave the screen and mend the file rather than end the program.
    core::Fault fault = toFault(std::exchange(m_error, Status()), "SKIP", m_table.path());
    fault.canDefault = true;
    (void)core::raise(fault);
}

bool TableRowSource::inScope(const NtxIndex::Entry& e) const
{
    return e.recno != 0 && (m_scope.empty() || m_table.order() == 0 ||
                            (e.key.size() >= m_scope.size() && std::memcmp(e.key.data(), m_scope.data(), m_scope.size()) == 0));
}

bool TableRowSource::fresh() const
{
    return core::clock().monotonicMs() - m_readAt <= kFreshMs;
}

void TableRowSource::stand(NtxIndex::Entry e)
{
    m_rows.clear();
    m_pos = 0;
    m_edgeBefore = m_edgeAfter = false;
    if (inScope(e))
        m_rows.push_back(std::move(e));
    m_readAt = core::clock().monotonicMs();
}

bool TableRowSource::noteChanges()
{
    std::uint32_t version = 0;
    if (m_table.order() > 0)
        version = m_table.orderIndex(m_table.order()).header().version;
    const std::uint32_t count = m_table.recCount();
    const bool changed = m_seen && (version != m_seenVersion || count != m_seenCount);
    m_seen = true;
    m_seenVersion = version;
    m_seenCount = count;
    if (changed)
        ++m_generation;
    return changed;
}

void TableRowSource::poll()
{
    if (m_table.order() > 0) {
        NtxIndex& ix = m_table.orderIndex(m_table.order());
        const Status s = ix.lockRead();  // re-reads the header
        keep(s);
        if (s.ok())
            ix.unlockRead();
    }
    if (noteChanges())
        recheck();
}

NtxIndex::Entry TableRowSource::tableEntry()
{
    NtxIndex::Entry e;
    if (m_table.eof())
        return e;
    e.recno = m_table.recNo();
    const int order = m_table.order();
    if (order == 0)
        return e;
    NtxIndex& ix = m_table.orderIndex(order);
    if (ix.positioned() && ix.currentRecno() == e.recno) {
        e.key = ix.currentKey();
        return e;
    }
    if (m_keyOrder != order) {
        m_key.reset();
        const Status s = compileKey(ix.header().expression, m_table.layout(), &m_key);
        keep(s);
        if (!s.ok())
            return {};
        m_key->setShape(ix.header().keySize, ix.header().keyDecimals);
        m_keyOrder = order;
    }
    const char* rec = nullptr;
    const Status s = m_table.record(&rec);
    keep(s);
    if (!s.ok())
        return {};
    m_key->key(rec, e.key);
    return e;
}

void TableRowSource::setScope(std::string_view prefix)
{
    m_scope = std::string(prefix);
    goTop();
}

void TableRowSource::syncToTable()
{
    NtxIndex::Entry e = tableEntry();
    if (inScope(e)) {
        stand(std::move(e));
        noteChanges();
        return;
    }
    goTop();
}

void TableRowSource::recheck()
{
    if (atEnd())
        return;
    const std::uint32_t recno = m_rows[m_pos].recno;
    NtxIndex::Entry e;
    if (recno <= m_table.recCount() && m_table.goTo(recno).ok())
        e = tableEntry();
    if (inScope(e))
        stand(std::move(e));
    else
        m_rows.clear();  // the row is gone from the scope: atEnd() until the browse moves
    m_pos = 0;
}

void TableRowSource::goTop()
{
    Status s = m_scope.empty() || m_table.order() == 0 ? m_table.goTop() : m_table.seek(m_scope, true);
    keep(s);
    stand(s.ok() ? tableEntry() : NtxIndex::Entry{});
    m_edgeBefore = true;
    noteChanges();
}

void TableRowSource::goBottom()
{
    Status s;
    if (m_scope.empty() || m_table.order() == 0) {
        s = m_table.goBottom();
    } else {
        s = m_table.seek(m_scope, false, true);
        if (s.ok() && !m_table.found())
            s = m_table.goTo(0);
    }
    keep(s);
    stand(s.ok() ? tableEntry() : NtxIndex::Entry{});
    m_edgeAfter = true;
    noteChanges();
}

bool TableRowSource::place()
{
    if (atEnd())
        return false;
    const std::uint32_t recno = m_rows[m_pos].recno;
    if (m_table.recNo() != recno || m_table.eof()) {
        const Status s = m_table.goTo(recno);
        keep(s);
        if (!s.ok())
            return false;
    }
    return true;
}

long TableRowSource::fetch(long n)
{
    // Read from the row at the batch's edge in the direction of travel.
    const bool forward = n > 0;
    const NtxIndex::Entry from = forward ? m_rows.back() : m_rows.front();
    if (m_table.recNo() != from.recno || m_table.eof()) {
        Status s = m_table.goTo(from.recno);
        keep(s);
        if (!s.ok())
            return 0;
    }
    const long want = std::max<long>(forward ? n : -n, long(kBatch));
    std::vector<NtxIndex::Entry> batch;
    Status s;
    if (m_table.order() > 0) {
        // One lock for finding the edge row's entry again and reading the batch.
        NtxIndex& ix = m_table.orderIndex(m_table.order());
        s = ix.lockRead();
        if (s.ok()) {
            s = m_table.skipBatch(forward ? want : -want, &batch);
            ix.unlockRead();
        }
    } else {
        s = m_table.skipBatch(forward ? want : -want, &batch);
    }
    keep(s);
    if (!s.ok())
        return 0;
    noteChanges();
    // The batch replaces the old one: the rows read just now around the edge row.
    std::vector<NtxIndex::Entry> rows;
    std::size_t edge = 0;
    bool met = batch.size() < std::size_t(want);
    std::vector<NtxIndex::Entry> kept;
    for (auto& e : batch) {
        if (!inScope(e)) {
            met = true;
            break;
        }
        kept.push_back(std::move(e));
    }
    if (forward) {
        rows.push_back(from);
        edge = 0;
        rows.insert(rows.end(), std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
        m_edgeAfter = met;
        m_edgeBefore = false;
    } else {
        rows.assign(std::make_move_iterator(kept.rbegin()), std::make_move_iterator(kept.rend()));
        edge = rows.size();
        rows.push_back(from);
        m_edgeBefore = met;
        m_edgeAfter = false;
    }
    m_rows = std::move(rows);
    m_readAt = core::clock().monotonicMs();
    const long room = forward ? long(m_rows.size() - 1 - edge) : long(edge);
    const long moved = std::min(forward ? n : -n, room);
    m_pos = forward ? edge + std::size_t(moved) : edge - std::size_t(moved);
    return moved;
}

long TableRowSource::skip(long n)
{
    if (n == 0 || atEnd())
        return 0;
    long moved = 0;
    while (moved != n) {
        const long want = n - moved;
        if (want > 0) {
            const long room = long(m_rows.size() - 1 - m_pos);
            if (room > 0 && fresh()) {
                const long step = std::min(room, want);
                m_pos += std::size_t(step);
                moved += step;
                continue;
            }
            if (m_edgeAfter && fresh() && room == 0)
                break;
            // Stale or used up: read on from the current row.
            NtxIndex::Entry at = m_rows[m_pos];
            m_rows.assign(1, at);
            m_pos = 0;
            const long got = fetch(want);
            if (got == 0)
                break;
            moved += got;
        } else {
            const long room = long(m_pos);
            if (room > 0 && fresh()) {
                const long step = std::min(room, -want);
                m_pos -= std::size_t(step);
                moved -= step;
                continue;
            }
            if (m_edgeBefore && fresh() && room == 0)
                break;
            NtxIndex::Entry at = m_rows[m_pos];
            m_rows.assign(1, at);
            m_pos = 0;
            const long got = fetch(want);
            if (got == 0)
                break;
            moved -= got;
        }
    }
    (void)place();
    return moved;
}

void TableRowSource::cells(std::vector<std::string>& out)
{
    out.clear();
    const char* rec = nullptr;
    if (!place() || !m_table.record(&rec).ok()) {
        out.resize(m_columns.size());
        return;
    }
    m_record->setRecord(rec);
    expr::RecordState& st = m_record->state();
    st.recNo = double(m_table.recNo());
    st.deleted = rec[0] == dbf::kDeletedFlag;
    st.eof = st.bof = false;
    for (expr::Expression& e : m_columns) {
        std::string text;
        if (e.evaluate(m_context, m_value)) {
            if (m_value.isText())
                text = m_value.asText();
            else if (m_value.isNumber())
                text = core::xbase::alltrim(expr::str(m_value));
            else if (!m_value.isNil())
                text = m_value.toDisplayText();
        }
        out.push_back(std::move(text));
    }
}

bool TableRowSource::deleted()
{
    return place() && m_table.deleted();
}

Status TableRowSource::scopeFractions(double* first, double* last)
{
    *first = 0;
    *last = 1;
    if (m_scope.empty())
        return {};
    NtxIndex& ix = m_table.orderIndex(m_table.order());
    // The first key of the scope, and the first key after it (the scope's keys share the prefix,
    // so the prefix followed by the highest bytes bounds them from above).
    STORAGE_TRY(ix.fractionOf(m_scope, 0, first));
    const std::string after = m_scope + std::string(std::size_t(ix.header().keySize), '\xff');
    return ix.fractionOf(after, 0, last);
}

double TableRowSource::position()
{
    if (atEnd())
        return 0;
    const NtxIndex::Entry& e = m_rows[m_pos];
    if (m_table.order() == 0) {
        const std::uint32_t n = m_table.recCount();
        return n > 1 ? double(e.recno - 1) / double(n - 1) : 0.0;
    }
    double at = 0, first = 0, last = 1;
    Status s = m_table.orderIndex(m_table.order()).fractionOf(e.key, e.recno, &at);
    if (s.ok())
        s = scopeFractions(&first, &last);
    keep(s);
    if (!s.ok() || last <= first)
        return 0;
    return std::clamp((at - first) / (last - first), 0.0, 1.0);
}

bool TableRowSource::goToPosition(double f)
{
    f = std::clamp(f, 0.0, 1.0);
    if (m_table.order() == 0) {
        const std::uint32_t n = m_table.recCount();
        if (n == 0)
            return false;
        const Status s = m_table.goTo(1 + std::uint32_t(f * double(n - 1) + 0.5));
        keep(s);
        stand(tableEntry());
        noteChanges();
        return s.ok();
    }
    double first = 0, last = 1;
    NtxIndex::Entry e;
    Status s = scopeFractions(&first, &last);
    if (s.ok())
        s = m_table.orderIndex(m_table.order()).entryAt(first + f * (last - first), &e);
    keep(s);
    if (!s.ok())
        return false;
    if (!inScope(e)) {
        // Close to an end of the scope: the estimate fell just outside it.
        if (f < 0.5)
            goTop();
        else
            goBottom();
        return true;
    }
    s = m_table.goTo(e.recno);
    keep(s);
    stand(std::move(e));
    noteChanges();
    return s.ok();
}

}  // namespace storage
