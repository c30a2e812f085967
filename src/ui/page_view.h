// PageView: the pages of a document one under another, each a white sheet in its paper's
// proportions on grey, scrolled and zoomed. A page is drawn by its source only when it first comes
// into sight at the current zoom, into an image kept in a small cache (the pages in sight and a few
// seen last), so opening a document of thousands of pages costs what opening one page costs, and
// memory stays the same however far the person pages. Zooming draws the pages in sight again.
//
// Keys: PgDn/PgUp the next/previous page, Home/End (with or without Ctrl) the first/last, arrows
// and the wheel scroll. GUI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QSize>
#include <functional>
#include <vector>

class QPainter;

namespace ui {

class PageView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The document: its pages' sizes in dots of `dpi` to the inch, and a page drawn with a painter
    // whose transform already takes those dots to the device.
    struct Source {
        int count = 0;
        int dpi = 0;
        std::function<QSize(int page)> size;
        std::function<void(int page, QPainter& painter)> draw;
    };
    // The fewest and most of the actual size a page may be shown at; a document whose biggest page
    // or whose length would make the drawn page or the scrolled area too big for memory or for the
    // scroll bar's range gets less.
    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 4.0;
    // Pages kept drawn beside those in sight.
    static constexpr std::size_t kSpare = 3;

    explicit PageView(Source source, QWidget* parent = nullptr);

    int pageCount() const { return m_source.count; }
    // The page at the top of the view (from 0; the last one when the view is scrolled to the end).
    int currentPage() const;
    // Scrolls to that page's top.
    void showPage(int page);
    // PgDn: the next page; PgUp: the top of the current page, from there the previous one.
    void nextPage();
    void previousPage();
    // The zoom: 1 is the paper's actual size at the screen's resolution.
    double zoom() const { return m_zoom; }
    void zoomIn();
    void zoomOut();
    // The whole current page in view (the preview's "whole page").
    void fitPage();
    // The widest page across the view; the view keeps fitting while it is resized.
    void fitWidth();

    // A page as shown at the current zoom, drawn if it is not in the cache.
    QImage pageImage(int page);
    // How many times a page has been drawn since the view was made, and how many are kept now.
    int drawCount() const { return m_draws; }
    std::size_t cachedCount() const { return m_cache.size(); }

signals:
    // currentPage() changed (from 0).
    void pageChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    enum class Fit { None, Width, Page };
    struct Cached {
        int page;
        QImage image;
    };
    QSize shownSize(int page) const;
    void layoutPages();
    void setZoom(double zoom, Fit fit);
    void refit();
    void pagesInSight(int* first, int* last) const;
    void keepInCache(int first, int last);
    void announce();

    Source m_source;
    std::vector<QSize> m_dots;  // each page's paper, asked of the source once
    int m_widestDots = 0;
    double m_maxZoom = kMaxZoom;
    double m_zoom = 1.0;
    Fit m_fit = Fit::Width;
    std::vector<int> m_tops;  // each page's top in the scrolled area, and the area's height last
    int m_widest = 0;
    std::vector<Cached> m_cache;  // the least recently used first
    int m_draws = 0;
    int m_announced = -1;
};

}  // namespace ui
