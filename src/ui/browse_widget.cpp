#include "ui/browse_widget.h"

#include <algorithm>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>

#include "ui/fonts.h"
#include "ui/thai_text.h"

namespace ui {
namespace {

constexpr int kScrollRange = 1000;
constexpr int kLightGrey = 12632256;  // the pane
constexpr int kWhite = 16777215;      // heading text
constexpr int kRed = 255;             // heading background
constexpr int kGreen = 65280;         // highlighted row

}  // namespace

QColor windowsColour(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

BrowseWidget::BrowseWidget(core::RowSource& source, std::vector<BrowseColumn> columns, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_window(source, 1),
      m_columns(std::move(columns)),
      m_rowColour([](const BrowseWindow::Row& r) { return r.deleted ? kRed : 0; }),
      m_pane(windowsColour(kLightGrey)),
      m_headerText(windowsColour(kWhite)),
      m_headerBack(windowsColour(kRed)),
      m_highlight(windowsColour(kGreen))
{
    setFont(screenFont());
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setRange(0, kScrollRange);
    verticalScrollBar()->setPageStep(kScrollRange / 10);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &BrowseWidget::onScrollAction);
    m_window.refreshAll();
}

void BrowseWidget::setHeaderColours(QColor text, QColor back)
{
    m_headerText = text;
    m_headerBack = back;
    viewport()->update();
}

void BrowseWidget::setHighlightColour(QColor back)
{
    m_highlight = back;
    viewport()->update();
}

int BrowseWidget::headerHeight() const { return fontMetrics().height() + 6; }
int BrowseWidget::rowHeight() const { return fontMetrics().height() + 4; }

int BrowseWidget::totalWidth() const
{
    int w = 0;
    for (const BrowseColumn& c : m_columns)
        w += c.width;
    return w;
}

int BrowseWidget::visibleRows() const
{
    return std::max(1, (viewport()->height() - headerHeight()) / rowHeight());
}

int BrowseWidget::lineAt(QPoint pos) const
{
    if (pos.y() < headerHeight())
        return -1;
    const int line = (pos.y() - headerHeight()) / rowHeight();
    return line < int(m_window.rows().size()) ? line : -1;
}

QSize BrowseWidget::sizeHint() const
{
    return {totalWidth() + verticalScrollBar()->sizeHint().width() + 2 * frameWidth(),
            headerHeight() + 10 * rowHeight() + 2 * frameWidth()};
}

void BrowseWidget::refreshAll()
{
    m_window.refreshAll();
    moved(true);
}

void BrowseWidget::refreshCurrent()
{
    m_window.refreshCurrent();
    viewport()->update();
}

void BrowseWidget::goTop() { moved(m_window.goTop()); }
void BrowseWidget::goBottom() { moved(m_window.goBottom()); }

void BrowseWidget::setHighlightLine(int line)
{
    m_window.setHighlight(line);
    moved(true);
}

void BrowseWidget::moved(bool changed)
{
    syncScrollBars();
    viewport()->update();
    if (changed)
        emit currentChanged();
    m_window.source().reportFailures();
}

void BrowseWidget::syncScrollBars()
{
    {
        const QSignalBlocker block(verticalScrollBar());
        const double pos = m_window.empty() ? 0.0 : m_window.source().position();
        verticalScrollBar()->setValue(int(std::lround(std::clamp(pos, 0.0, 1.0) * kScrollRange)));
    }
    const int extra = totalWidth() - viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, extra));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
}

void BrowseWidget::onScrollAction(int action)
{
    QScrollBar* bar = verticalScrollBar();
    bool changed = false;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: changed = m_window.down(); break;
    case QAbstractSlider::SliderSingleStepSub: changed = m_window.up(); break;
    case QAbstractSlider::SliderPageStepAdd: changed = m_window.pageDown(); break;
    case QAbstractSlider::SliderPageStepSub: changed = m_window.pageUp(); break;
    case QAbstractSlider::SliderToMinimum: changed = m_window.goTop(); break;
    case QAbstractSlider::SliderToMaximum: changed = m_window.goBottom(); break;
    case QAbstractSlider::SliderMove:
        changed = m_window.goToPosition(double(bar->sliderPosition()) / kScrollRange);
        break;
    default: break;
    }
    const double pos = m_window.empty() ? 0.0 : m_window.source().position();
    bar->setSliderPosition(int(std::lround(std::clamp(pos, 0.0, 1.0) * kScrollRange)));
    viewport()->update();
    if (changed)
        emit currentChanged();
}

void BrowseWidget::scrollContentsBy(int, int)
{
    viewport()->update();
}

void BrowseWidget::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_window.setRowCount(visibleRows());
    syncScrollBars();
}

void BrowseWidget::paintEvent(QPaintEvent*)
{
    m_window.refreshIfChanged();
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    p.fillRect(area, m_pane);
    const int dx = -horizontalScrollBar()->value();
    const int hh = headerHeight();
    const int rh = rowHeight();
    const QColor grid = m_pane.darker(130);

    p.fillRect(QRect(0, 0, area.width(), hh), m_headerBack);
    int x = dx;
    p.setPen(m_headerText);
    for (const BrowseColumn& c : m_columns) {
        const QRect cell(x + 3, 0, c.width - 6, hh);
        p.drawText(cell, int(c.align | Qt::AlignVCenter), fromTis(c.heading));
        x += c.width;
    }

    const auto& rows = m_window.rows();
    for (int i = 0; i < int(rows.size()); ++i) {
        const int y = hh + i * rh;
        if (i == m_window.highlight())
            p.fillRect(QRect(0, y, std::max(area.width(), totalWidth() + dx), rh), m_highlight);
        p.setPen(windowsColour(m_rowColour(rows[std::size_t(i)])));
        x = dx;
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            const BrowseColumn& col = m_columns[c];
            if (c < rows[std::size_t(i)].cells.size()) {
                const QRect cell(x + 3, y, col.width - 6, rh);
                p.drawText(cell, int(col.align | Qt::AlignVCenter) | Qt::TextSingleLine,
                           fromTis(rows[std::size_t(i)].cells[c]));
            }
            x += col.width;
        }
    }
    p.setPen(grid);
    const int bottom = hh + int(rows.size()) * rh;
    x = dx;
    for (const BrowseColumn& c : m_columns) {
        x += c.width;
        p.drawLine(x - 1, hh, x - 1, bottom);
    }
    for (int i = 1; i <= int(rows.size()); ++i)
        p.drawLine(0, hh + i * rh - 1, totalWidth() + dx, hh + i * rh - 1);
}

void BrowseWidget::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    bool changed = false;
    switch (event->key()) {
    case Qt::Key_Down: changed = m_window.down(); break;
    case Qt::Key_Up: changed = m_window.up(); break;
    case Qt::Key_PageDown: changed = ctrl ? m_window.goBottom() : m_window.pageDown(); break;
    case Qt::Key_PageUp: changed = ctrl ? m_window.goTop() : m_window.pageUp(); break;
    case Qt::Key_Home: changed = m_window.goTop(); break;
    case Qt::Key_End: changed = m_window.goBottom(); break;
    case Qt::Key_Left:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - 20);
        return;
    case Qt::Key_Right:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + 20);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_window.empty())
            emit activated(0);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    moved(changed);
}

void BrowseWidget::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int line = lineAt(event->position().toPoint());
    if (line >= 0)
        moved(m_window.select(line));
}

void BrowseWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int line = lineAt(event->position().toPoint());
    if (line < 0)
        return;
    moved(m_window.select(line));
    emit activated(1);
}

void BrowseWidget::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 40;  // three rows per notch of 120
    bool changed = false;
    for (int i = 0; i < std::abs(steps); ++i)
        changed |= steps > 0 ? m_window.up() : m_window.down();
    moved(changed);
    event->accept();
}

}  // namespace ui
