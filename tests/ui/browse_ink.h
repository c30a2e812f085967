// What a browse drew, read from its screen: where its rows stand and whether one is in red ink (a
// record marked deleted).
#pragma once

#include <QColor>
#include <QImage>
#include <algorithm>

#include "ui/browse_widget.h"

namespace uitest {

// The top of the line'th row on a browse's screen, below the heading.
inline int rowTop(const ui::BrowseWidget& browse, int line)
{
    return browse.fontMetrics().height() + 6 + line * (browse.fontMetrics().height() + 4);
}

// Whether the line'th row has red ink in its first 300 pixels.
inline bool rowHasRedInk(ui::BrowseWidget& browse, int line)
{
    const QImage img = browse.viewport()->grab().toImage();
    for (int y = rowTop(browse, line); y < rowTop(browse, line + 1) - 1; ++y)
        for (int x = 0; x < std::min(img.width(), 300); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 90 && c.blue() < 90)
                return true;
        }
    return false;
}

}  // namespace uitest
