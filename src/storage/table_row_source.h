// TableRowSource: the rows of an open Table in its active order (record order when it has none),
// optionally only those whose key begins with a prefix (a key scope), as a core::RowSource for the
// browse. Each column is a stored expression evaluated on the row: a field name, or any expression
// ("DTOC(DATE)", "TRANSFORM(AMOUNT, '999,999.99')") over the table's fields and the variables behind
// them. Belongs to the thread of its table; the table must stay open while the source lives.
//
// Cost: the browse moves one row at a time, so the source reads keys in batches - up to kBatch
// entries in the direction of travel under one index lock and one header check - and serves the
// next moves from the batch while it is fresh (kFreshMs). A browse filling a page, or paging,
// therefore takes about one lock per page. After kFreshMs the next move takes the lock again and
// sees what other workstations changed; poll() (for a timer) re-reads the index header and moves
// generation() when the table changed, so the browse refetches what it shows.
//
// The table's record pointer follows the source's current row (a screen reads the highlighted
// record's fields from the table); the source moves it only when asked to move.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/row_source.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "storage/key_source.h"
#include "storage/status.h"
#include "storage/table.h"

namespace storage {

class TableRowSource final : public core::RowSource {
public:
    static constexpr std::size_t kBatch = 64;
    static constexpr int kFreshMs = 50;

    // Compiles the columns (TIS-620 expression texts) and tries each on a blank record. Names are
    // the table's fields first, then those of `variables` (default: the program-wide settings) -
    // for ALIAS->FIELD of other work areas and screen values pass a ChainContext of a
    // WorkspaceContext and the screen's values; it must outlive the source. InvalidArgument names
    // a column that does not compile or fails on the blank record. The scope applies to the active
    // order's keys (a table in record order has none). The source starts on the table's current
    // record when it is in scope, else on the first row of the scope.
    static Status create(Table& table, const std::vector<std::string>& columns, std::unique_ptr<TableRowSource>* out,
                         std::string_view scope = {}, expr::Context* variables = nullptr);
    ~TableRowSource() override;

    Table& table() { return m_table; }
    // Only keys beginning with prefix from now on (empty: every row); goes to the scope's first row.
    void setScope(std::string_view prefix);
    const std::string& scope() const { return m_scope; }
    // Puts the source on the table's current record (the screen sought or edited it), or on the
    // first row of the scope when that record is outside it.
    void syncToTable();
    // Re-reads the index header and the record count (one lock); generation() moves when another
    // workstation or this one changed the table since the source last looked.
    void poll();
    std::uint32_t recNo() const { return atEnd() ? 0 : m_rows[m_pos].recno; }

    void goTop() override;
    void goBottom() override;
    long skip(long n) override;
    bool atEnd() const override { return m_pos >= m_rows.size(); }
    void cells(std::vector<std::string>& out) override;
    bool deleted() override;
    double position() override;
    bool goToPosition(double f) override;
    std::uint64_t generation() const override { return m_generation; }
    // The first failure of a table call since the last report, as a fault of the operation "SKIP".
    void reportFailures() override;

private:
    TableRowSource(Table& table, expr::Context* variables);
    bool inScope(const NtxIndex::Entry& e) const;
    bool fresh() const;
    void stand(NtxIndex::Entry e);          // the batch becomes this one row
    long fetch(long n);                     // moves up to n rows beyond the batch's edge
    bool noteChanges();                     // after an access that read the header: changed?
    bool place();                           // the table's pointer on the current row
    NtxIndex::Entry tableEntry();           // the table's current record with its key
    void recheck();                         // the current row after a change: key, scope
    void keep(const Status& s);
    Status scopeFractions(double* first, double* last);

    Table& m_table;
    std::string m_scope;
    std::unique_ptr<KeySource> m_key;  // the active order's key, shaped as its file
    int m_keyOrder = -1;               // the order m_key was made for
    std::vector<expr::Expression> m_columns;
    std::vector<expr::RecordField> m_fields;
    std::unique_ptr<expr::RecordContext> m_record;
    std::unique_ptr<expr::ValueMapContext> m_settings;
    expr::ChainContext m_context;
    core::Value m_value;

    // The rows around the current one read in the last batch, in order; m_pos is the current one
    // (m_pos == m_rows.size(): no row). m_edgeBefore / m_edgeAfter: the batch met the start / end
    // of the scope on that side.
    std::vector<NtxIndex::Entry> m_rows;
    std::size_t m_pos = 0;
    bool m_edgeBefore = false;
    bool m_edgeAfter = false;
    std::int64_t m_readAt = 0;  // monotonic ms of the batch

    std::uint64_t m_generation = 0;
    std::uint32_t m_seenVersion = 0;
    std::uint32_t m_seenCount = 0;
    bool m_seen = false;
    Status m_error;
};

}  // namespace storage
