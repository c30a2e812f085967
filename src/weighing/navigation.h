// Moving through a document screen's documents and finding one: PROCMOVE's four moves over the
// table open as "wdata" in its date order, the record position the screens show ("Rec.:12/40"),
// and the search dialog's model (actions 5 tickets, 6 supplier vouchers, 7 customer vouchers,
// 8 production records): its title, columns, search text and buttons, over a browse that moves the
// table's record pointer. The Qt dialog shows a ui::BrowseWidget over searchModel.source().
// One thread; the workspace must outlive these objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codes/table_browse.h"
#include "expr/contexts.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"
#include "storage/workspace_context.h"

namespace weighing {

// PROCMOVE's actions.
enum MoveAction : int {
    kMoveNext = 1,
    kMovePrevious = 2,
    kMoveLast = 3,
    kMoveFirst = 4,
    kSearchTickets = 5,
    kSearchSupplierVouchers = 6,
    kSearchCustomerVouchers = 7,
    kSearchProduction = 8,
};

// A column of a browse in a dialog: its heading (TIS-620, spaces kept), the expression shown on
// each row (over the table's fields and the open work areas) and whether it is right-aligned.
struct BrowseColumn {
    std::string heading;
    std::string expression;
    bool rightAligned = false;
};

// The colours every document browse uses, as Windows colour numbers (0x00BBGGRR): heading text
// white on red, the focused row on green, rows marked deleted in red text, others in black.
inline constexpr int kHeadingText = 16777215;
inline constexpr int kHeadingBackground = 255;
inline constexpr int kFocusedRow = 65280;

// PROCMOVE 1-4 and the position of the current document, for one screen's "wdata".
class DocumentCursor {
public:
    explicit DocumentCursor(storage::Workspace& ws, std::string alias = "wdata");

    // 1 next (stays on the last), 2 previous (stays on the first), 3 last, 4 first. In an empty
    // table every move leaves the blank position at the end.
    void move(int action);
    // The table's pointer was put somewhere else (a seek, a search, a save): the position is
    // counted afresh when next asked.
    void forget() { m_known = false; }

    // The current document's place in the active order (1 = first; 0 at the blank position after
    // the last) and the number of records in the table, deleted ones included.
    std::uint32_t position();
    std::uint32_t count();
    // "Rec.:" + position + "/" + count.
    std::string recordPosition();

private:
    storage::Table* table() const;
    std::uint32_t countPosition(storage::Table& t);

    storage::Workspace& m_ws;
    std::string m_alias;
    bool m_known = false;
    std::uint32_t m_recno = 0;
    std::uint32_t m_position = 0;
};

// The search dialog of PROCMOVE 5-8 over the table open as "wdata", in its current order, starting
// on its current record. Moving the browse moves the table's pointer, so the row highlighted when
// the dialog closes - by any means - is the screen's current document.
class SearchDialogModel {
public:
    // False (with the storage status) when the browse could not be made over the table.
    static std::unique_ptr<SearchDialogModel> create(storage::Workspace& ws, int action, std::string* error = nullptr);

    static std::string title();  // "  กรุณาเลือกข้อมูลที่ท่านต้องการ"
    int action() const { return m_action; }
    // Columns of equal width: five for actions 5-7, three for 8.
    const std::vector<BrowseColumn>& columns() const { return m_columns; }
    static constexpr int kSearchBoxWidth = 40;
    // Button captions (TIS-620, "&" before the access key): OK (closes), top, bottom, search.
    static std::string okCaption();
    static std::string topCaption();
    static std::string bottomCaption();
    static std::string searchCaption();

    storage::TableRowSource& source() { return *m_source; }
    codes::TableBrowse& browse() { return *m_browse; }

    // The buttons: SACTION 1, 2, and 3 with the search box's text (also when the box is left).
    void top();
    void bottom();
    void search(const std::string& text);
    // The dialog closed (OK, Enter, a double click or the window's close): the table's pointer is
    // put on the highlighted row.
    void close();

private:
    SearchDialogModel(storage::Workspace& ws, int action);

    int m_action;
    std::vector<BrowseColumn> m_columns;
    std::string m_search;
    // Columns read other work areas (the counterpart's name) and the settings.
    storage::WorkspaceContext m_tables;
    expr::ValueMapContext m_settings;
    expr::ChainContext m_context;
    std::unique_ptr<storage::TableRowSource> m_source;
    std::unique_ptr<codes::TableBrowse> m_browse;
};

}  // namespace weighing
