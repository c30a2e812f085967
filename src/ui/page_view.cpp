#include "ui/page_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace ui {
namespace {

constexpr int kGap = 10;     // grey around and between the pages, in screen pixels
constexpr int kShadow = 3;   // the sheet's shadow, right and below
constexpr double kStep = 1.25;
constexpr double kMostPixels = 16e6;     // of one drawn page (64 MB)
constexpr double kLongest = 1e9;         // the scrolled area's height, within an int

}  // namespace

PageView::PageView(Source source, QWidget* parent) : QAbstractScrollArea(parent), m_source(std::move(source))
{
    m_source.count = std::max(0, m_source.count);
    if (m_source.dpi <= 0)
        m_source.dpi = 72;
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    m_dots.reserve(std::size_t(m_source.count));
    double biggest = 1;
    double length = 1;  // of all the pages, in dots
    for (int i = 0; i < m_source.count; ++i) {
        const QSize dots = m_source.size(i);
        m_dots.emplace_back(std::max(1, dots.width()), std::max(1, dots.height()));
        m_widestDots = std::max(m_widestDots, m_dots.back().width());
        biggest = std::max(biggest, double(m_dots.back().width()) * m_dots.back().height());
        length += m_dots.back().height();
    }
    // Screen pixels to a dot at zoom 1.
    const double perDot = double(logicalDpiX()) / m_source.dpi;
    const double gaps = (double(m_source.count) + 1) * kGap;
    m_maxZoom = std::min({kMaxZoom, std::sqrt(kMostPixels / biggest) / perDot, (kLongest - gaps) / (length * perDot)});
    m_maxZoom = std::max(m_maxZoom, kMinZoom / 1000);
    m_zoom = std::min(m_zoom, m_maxZoom);
    layoutPages();
}

QSize PageView::shownSize(int page) const
{
    const QSize dots = m_dots[std::size_t(page)];
    const double s = m_zoom * logicalDpiX() / m_source.dpi;
    return {std::max(1, int(std::lround(dots.width() * s))), std::max(1, int(std::lround(dots.height() * s)))};
}

void PageView::layoutPages()
{
    m_tops.assign(std::size_t(m_source.count) + 1, 0);
    m_widest = 0;
    int y = kGap;
    for (int i = 0; i < m_source.count; ++i) {
        const QSize shown = shownSize(i);
        m_tops[std::size_t(i)] = y;
        y += shown.height() + kGap;
        m_widest = std::max(m_widest, shown.width());
    }
    m_tops.back() = y;
    const QSize view = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, y - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setRange(0, std::max(0, m_widest + 2 * kGap - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(20);
    viewport()->update();
    announce();
}

int PageView::currentPage() const
{
    if (m_source.count == 0)
        return 0;
    const QScrollBar* bar = verticalScrollBar();
    if (bar->maximum() > 0 && bar->value() >= bar->maximum())
        return m_source.count - 1;
    const auto end = m_tops.begin() + m_source.count;
    const auto after = std::upper_bound(m_tops.begin(), end, bar->value() + kGap);
    return std::max(0, int(after - m_tops.begin()) - 1);
}

void PageView::showPage(int page)
{
    if (m_source.count == 0)
        return;
    page = std::clamp(page, 0, m_source.count - 1);
    verticalScrollBar()->setValue(m_tops[std::size_t(page)] - kGap);
    announce();
}

void PageView::setZoom(double zoom, Fit fit)
{
    // The same place of the current page stays at the top.
    const int page = currentPage();
    double within = 0;
    if (m_source.count > 0) {
        const int top = m_tops[std::size_t(page)] - kGap;
        const int height = m_tops[std::size_t(page) + 1] - top;
        within = height > 0 ? double(verticalScrollBar()->value() - top) / height : 0;
    }
    m_zoom = std::clamp(zoom, std::min(kMinZoom, m_maxZoom), m_maxZoom);
    m_fit = fit;
    m_cache.clear();
    layoutPages();
    if (m_source.count > 0) {
        const int top = m_tops[std::size_t(page)] - kGap;
        const int height = m_tops[std::size_t(page) + 1] - top;
        verticalScrollBar()->setValue(top + int(std::lround(within * height)));
    }
    announce();
}

void PageView::zoomIn()
{
    if (m_zoom < m_maxZoom)
        setZoom(m_zoom * kStep, Fit::None);
}

void PageView::zoomOut()
{
    if (m_zoom > std::min(kMinZoom, m_maxZoom))
        setZoom(m_zoom / kStep, Fit::None);
}

void PageView::fitPage()
{
    m_fit = Fit::Page;
    refit();
    showPage(currentPage());
}

void PageView::fitWidth()
{
    m_fit = Fit::Width;
    refit();
}

void PageView::refit()
{
    if (m_source.count == 0 || m_fit == Fit::None)
        return;
    // The sizes at zoom 1, in screen pixels.
    const double perDot = double(logicalDpiX()) / m_source.dpi;
    const QSize view = viewport()->size();
    const double across = std::max(1, view.width() - 2 * kGap - kShadow);
    double zoom = 1;
    if (m_fit == Fit::Width) {
        zoom = across / std::max(1.0, m_widestDots * perDot);
    } else {
        const QSize dots = m_dots[std::size_t(currentPage())];
        const double down = std::max(1, view.height() - 2 * kGap - kShadow);
        zoom = std::min(across / std::max(1.0, dots.width() * perDot), down / std::max(1.0, dots.height() * perDot));
    }
    setZoom(zoom, m_fit);
}

void PageView::pagesInSight(int* first, int* last) const
{
    *first = 0;
    *last = -1;
    if (m_source.count == 0)
        return;
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    const auto end = m_tops.begin() + m_source.count;
    // The first page whose bottom is below the view's top, through the last whose top is above its bottom.
    const auto from = std::upper_bound(m_tops.begin() + 1, m_tops.end(), top + kGap) - 1;
    const auto to = std::lower_bound(m_tops.begin(), end, bottom);
    *first = std::clamp(int(from - m_tops.begin()), 0, m_source.count - 1);
    *last = std::clamp(int(to - m_tops.begin()) - 1, *first, m_source.count - 1);
}

QImage PageView::pageImage(int page)
{
    if (page < 0 || page >= m_source.count)
        return {};
    const auto found = std::find_if(m_cache.begin(), m_cache.end(), [page](const Cached& c) { return c.page == page; });
    if (found != m_cache.end()) {
        Cached kept = std::move(*found);
        m_cache.erase(found);
        m_cache.push_back(std::move(kept));
        return m_cache.back().image;
    }
    const QSize shown = shownSize(page);
    const double ratio = devicePixelRatioF();
    QImage image(QSize(int(std::ceil(shown.width() * ratio)), int(std::ceil(shown.height() * ratio))),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        const double s = m_zoom * logicalDpiX() / m_source.dpi;
        painter.scale(s, s);
        m_source.draw(page, painter);
    }
    ++m_draws;
    m_cache.push_back(Cached{page, image});
    int first = 0;
    int last = -1;
    pagesInSight(&first, &last);
    keepInCache(first, last);
    return image;
}

void PageView::keepInCache(int first, int last)
{
    const auto inSight = [first, last](const Cached& c) { return c.page >= first && c.page <= last; };
    std::size_t others =
        m_cache.size() - std::size_t(std::count_if(m_cache.begin(), m_cache.end(), inSight));
    for (auto it = m_cache.begin(); others > kSpare && it != m_cache.end();) {
        if (inSight(*it)) {
            ++it;
        } else {
            it = m_cache.erase(it);
            --others;
        }
    }
}

void PageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::gray);
    int first = 0;
    int last = -1;
    pagesInSight(&first, &last);
    const int area = std::max(viewport()->width(), m_widest + 2 * kGap);
    for (int page = first; page <= last; ++page) {
        const QSize shown = shownSize(page);
        const QPoint at((area - shown.width()) / 2 - horizontalScrollBar()->value(),
                        m_tops[std::size_t(page)] - verticalScrollBar()->value());
        painter.fillRect(QRect(at + QPoint(kShadow, kShadow), shown), Qt::darkGray);
        painter.drawImage(at, pageImage(page));
    }
    keepInCache(first, last);
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_fit == Fit::None)
        layoutPages();
    else
        refit();
}

void PageView::nextPage()
{
    showPage(currentPage() + 1);
}

void PageView::previousPage()
{
    const int page = currentPage();
    showPage(verticalScrollBar()->value() > m_tops[std::size_t(page)] - kGap ? page : page - 1);
}

void PageView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        nextPage();
        break;
    case Qt::Key_PageUp:
        previousPage();
        break;
    case Qt::Key_Home:
        showPage(0);
        break;
    case Qt::Key_End:
        showPage(m_source.count - 1);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PageView::scrollContentsBy(int, int)
{
    viewport()->update();
    announce();
}

void PageView::announce()
{
    const int page = currentPage();
    if (page == m_announced)
        return;
    m_announced = page;
    emit pageChanged(page);
}

}  // namespace ui
