#include "ui/browse_window.h"

#include <algorithm>

namespace ui {

BrowseWindow::BrowseWindow(core::RowSource& source, int rowCount)
    : m_source(source), m_rowCount(std::max(1, rowCount)), m_generation(source.generation())
{
}

void BrowseWindow::setRowCount(int n)
{
    n = std::max(1, n);
    if (n == m_rowCount)
        return;
    m_rowCount = n;
    m_highlight = std::min(m_highlight, n - 1);
    refreshAll();
}

void BrowseWindow::read(Row& row)
{
    row.cells.clear();
    m_source.cells(row.cells);
    row.deleted = m_source.deleted();
}

void BrowseWindow::refreshAll()
{
    m_generation = m_source.generation();
    m_rows.clear();
    if (m_source.atEnd()) {
        // The row we stood on is gone (or there never was one): stand on the last row.
        m_source.goBottom();
        m_highlight = m_rowCount - 1;
        if (m_source.atEnd()) {
            m_highlight = 0;
            return;
        }
    }
    fill();
}

// Fetches the window around the current row; the source ends on the highlighted row again.
void BrowseWindow::fill()
{
    m_highlight = std::clamp(m_highlight, 0, m_rowCount - 1);
    m_highlight = int(-m_source.skip(-m_highlight));
    m_rows.emplace_back();
    read(m_rows.back());
    while (int(m_rows.size()) < m_rowCount && m_source.skip(1) == 1) {
        m_rows.emplace_back();
        read(m_rows.back());
    }
    const int last = int(m_rows.size()) - 1;
    if (int(m_rows.size()) < m_rowCount) {
        // Hit the end with room left: pull in rows from above so the window stays full.
        m_source.skip(-last);
        std::vector<Row> above;
        while (int(m_rows.size() + above.size()) < m_rowCount && m_source.skip(-1) == -1) {
            above.emplace_back();
            read(above.back());
        }
        m_highlight += int(above.size());
        m_rows.insert(m_rows.begin(), std::make_move_iterator(above.rbegin()), std::make_move_iterator(above.rend()));
        m_source.skip(m_highlight);
    } else {
        m_source.skip(m_highlight - last);
    }
}

void BrowseWindow::refreshCurrent()
{
    if (m_rows.empty() || m_source.atEnd()) {
        refreshAll();
        return;
    }
    read(m_rows[std::size_t(m_highlight)]);
}

bool BrowseWindow::refreshIfChanged()
{
    if (m_source.generation() == m_generation)
        return false;
    refreshAll();
    return true;
}

void BrowseWindow::setHighlight(int n)
{
    m_highlight = std::clamp(n, 0, m_rowCount - 1);
    refreshAll();
}

bool BrowseWindow::down()
{
    if (m_rows.empty() || m_source.skip(1) != 1)
        return false;
    if (m_highlight < int(m_rows.size()) - 1) {
        ++m_highlight;
    } else {
        m_rows.erase(m_rows.begin());
        m_rows.emplace_back();
        read(m_rows.back());
    }
    return true;
}

bool BrowseWindow::up()
{
    if (m_rows.empty() || m_source.skip(-1) != -1)
        return false;
    if (m_highlight > 0) {
        --m_highlight;
    } else {
        if (int(m_rows.size()) >= m_rowCount)
            m_rows.pop_back();
        m_rows.emplace(m_rows.begin());
        read(m_rows.front());
    }
    return true;
}

bool BrowseWindow::pageDown()
{
    if (m_rows.empty())
        return false;
    const long moved = m_source.skip(m_rowCount);
    if (moved == 0)
        return false;
    if (moved < m_rowCount)
        m_highlight = m_rowCount - 1;
    m_rows.clear();
    fill();
    return true;
}

bool BrowseWindow::pageUp()
{
    if (m_rows.empty())
        return false;
    const long moved = m_source.skip(-m_rowCount);
    if (moved == 0)
        return false;
    if (moved > -m_rowCount)
        m_highlight = 0;
    m_rows.clear();
    fill();
    return true;
}

bool BrowseWindow::goTop()
{
    m_source.goTop();
    m_highlight = 0;
    refreshAll();
    return !m_rows.empty();
}

bool BrowseWindow::goBottom()
{
    m_source.goBottom();
    m_highlight = m_rowCount - 1;
    refreshAll();
    return !m_rows.empty();
}

bool BrowseWindow::select(int line)
{
    if (line < 0 || line >= int(m_rows.size()) || line == m_highlight)
        return false;
    m_source.skip(line - m_highlight);
    m_highlight = line;
    return true;
}

bool BrowseWindow::goToPosition(double f)
{
    f = std::clamp(f, 0.0, 1.0);
    if (f <= 0.0)
        return goTop();
    if (f >= 1.0)
        return goBottom();
    if (!m_source.goToPosition(f))
        return false;
    refreshAll();
    return true;
}

}  // namespace ui
