// BrowseWidget: the program's browse - a grid of the visible rows of a RowSource under a heading
// row, with the system's colours (pane light grey, heading white on red, highlighted row green,
// marked rows in red text through a SELCOLOR-style callback) and an xBase browse's keys: arrows,
// PgUp/PgDn, Home/End and Ctrl+Home/Ctrl+End (first and last row), Enter and double-click act.
//
// It only ever touches the rows it shows (ui/browse_window.h), so it opens and scrolls on a table
// of a million rows as on one of twenty. The source's current row is the highlighted row. The
// scroll bar shows the source's approximate position; dragging it asks the source to jump.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <functional>
#include <string>
#include <vector>

#include "ui/browse_window.h"

namespace ui {

struct BrowseColumn {
    std::string heading;  // TIS-620
    int width = 100;      // pixels
    Qt::Alignment align = Qt::AlignLeft;
};

// A Windows colour number (0x00BBGGRR, as the program's colour settings and SELCOLOR give them).
QColor windowsColour(int bgr);

class BrowseWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The text colour of a row as a Windows colour number; the default is SELCOLOR's rule: 255
    // (red) for a row marked for deletion, else 0 (black).
    using RowColour = std::function<int(const BrowseWindow::Row&)>;

    BrowseWidget(core::RowSource& source, std::vector<BrowseColumn> columns, QWidget* parent = nullptr);

    BrowseWindow& rows() { return m_window; }
    const std::vector<BrowseColumn>& columns() const { return m_columns; }
    void setRowColour(RowColour colour) { m_rowColour = std::move(colour); }
    void setHeaderColours(QColor text, QColor back);
    void setHighlightColour(QColor back);

    int visibleRows() const;
    // The line of the window a point is on (-1 when not on a row).
    int lineAt(QPoint viewportPos) const;

    // Redraw after the source changed: every visible row, or the highlighted one only.
    void refreshAll();
    void refreshCurrent();
    void goTop();
    void goBottom();
    // BROWADJ: the highlight on that line of the window, rows before the current one above it.
    void setHighlightLine(int line);

    QSize sizeHint() const override;

signals:
    void currentChanged();
    // Enter (how 0) or a double click (how 1) on a row.
    void activated(int how);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int headerHeight() const;
    int rowHeight() const;
    int totalWidth() const;
    void moved(bool changed);
    void syncScrollBars();
    void onScrollAction(int action);

    BrowseWindow m_window;
    std::vector<BrowseColumn> m_columns;
    RowColour m_rowColour;
    QColor m_pane;
    QColor m_headerText;
    QColor m_headerBack;
    QColor m_highlight;
};

}  // namespace ui
