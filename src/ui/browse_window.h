// BrowseWindow: the rows a browse shows, kept as a window over a RowSource that moves with the
// highlighted row - the cursor logic of an xBase TBrowse, GUI-free.
//
// The source's current row is always the highlighted one. The window holds the texts of the
// visible rows only: moving by one row fetches at most one new row, a page or a jump fetches one
// window's worth, and nothing ever counts or numbers the rows, so a browse over a million rows in
// index order costs what a browse over twenty does. One thread; the source must outlive it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/row_source.h"

namespace ui {

class BrowseWindow {
public:
    struct Row {
        std::vector<std::string> cells;  // TIS-620
        bool deleted = false;
    };

    explicit BrowseWindow(core::RowSource& source, int rowCount = 1);

    core::RowSource& source() { return m_source; }
    int rowCount() const { return m_rowCount; }
    // Changes how many rows fit; refetches when it changed.
    void setRowCount(int n);

    const std::vector<Row>& rows() const { return m_rows; }
    int highlight() const { return m_highlight; }  // index into rows(); 0 when empty
    bool empty() const { return m_rows.empty(); }

    // Refetches the visible rows around the current row of the source, keeping the highlight on
    // the same line of the window where rows allow (the window is kept full when there are rows).
    void refreshAll();
    // Refetches the highlighted row only (after it was edited).
    void refreshCurrent();
    // Refetches when the source says its rows changed; true when it did.
    bool refreshIfChanged();
    // Puts the highlight on line n of the window (0-based) without moving the source, then
    // refetches: the rows above it are the ones before the current row.
    void setHighlight(int n);

    // Navigation; each returns true when the current row changed.
    bool down();
    bool up();
    bool pageDown();
    bool pageUp();
    bool goTop();
    bool goBottom();
    bool select(int line);         // the row on that line of the window (a click)
    bool goToPosition(double f);   // dragging the scroll bar; false when the source cannot

private:
    void read(Row& row);
    void fill();

    core::RowSource& m_source;
    int m_rowCount = 1;
    int m_highlight = 0;
    std::vector<Row> m_rows;
    std::uint64_t m_generation = 0;
};

}  // namespace ui
