#include "ui/browse_widget.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"
#include "support/memory_row_source.h"

using core::tis620::T;
using testsupport::MemoryRowSource;

namespace {

MemoryRowSource millionCodes()
{
    return MemoryRowSource(1'000'000, [](long i, std::vector<std::string>& out) {
        char code[16];
        std::snprintf(code, sizeof code, "C%07ld", i);
        out = {code, T("ชื่อ ") + std::to_string(i)};
    });
}

std::vector<ui::BrowseColumn> columns()
{
    return {{T("  รหัสผู้ขาย"), 100}, {T("  ชื่อผู้ขาย"), 200}};
}

bool near(QColor a, QColor b) { return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 30; }

TEST(BrowseWidget, OpensOnAMillionRowsFetchingOnlyTheVisibleOnes)
{
    MemoryRowSource src = millionCodes();
    src.setAt(654'321);
    ui::BrowseWidget browse(src, columns());
    browse.resize(400, 300);
    src.resetCounts();
    testsupport::showActive(browse);
    const int rows = browse.visibleRows();
    EXPECT_GT(rows, 3);
    EXPECT_EQ(int(browse.rows().rows().size()), rows);
    EXPECT_LE(src.reads, 2 * rows + 2) << "one fetch for the first size, one for the final one";
    EXPECT_LE(src.rowsSkipped, 6 * rows);
    EXPECT_EQ(src.at(), 654'321) << "it opens on the row the source stands on";
}

TEST(BrowseWidget, KeysMoveTheSourceAndSignal)
{
    MemoryRowSource src = millionCodes();
    ui::BrowseWidget browse(src, columns());
    browse.resize(400, 300);
    testsupport::showActive(browse);
    browse.setFocus();
    QSignalSpy changed(&browse, &ui::BrowseWidget::currentChanged);
    QSignalSpy activated(&browse, &ui::BrowseWidget::activated);
    const long page = browse.visibleRows();

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        long at;
    } steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 1},
        {Qt::Key_Down, Qt::NoModifier, 2},
        {Qt::Key_Up, Qt::NoModifier, 1},
        {Qt::Key_PageDown, Qt::NoModifier, 1 + page},
        {Qt::Key_PageUp, Qt::NoModifier, 1},
        {Qt::Key_End, Qt::NoModifier, 999'999},
        {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_End, Qt::ControlModifier, 999'999},
        {Qt::Key_Home, Qt::ControlModifier, 0},
        {Qt::Key_PageDown, Qt::ControlModifier, 999'999},
    };
    for (const Step& s : steps) {
        QTest::keyClick(&browse, s.key, s.mods);
        EXPECT_EQ(src.at(), s.at) << s.key;
    }
    EXPECT_EQ(changed.count(), int(std::size(steps)));
    QTest::keyClick(&browse, Qt::Key_Return);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 0);
    EXPECT_GT(browse.verticalScrollBar()->value(), 990) << "the scroll bar shows the place";
}

TEST(BrowseWidget, ClicksSelectAndDoubleClicksAct)
{
    MemoryRowSource src = millionCodes();
    ui::BrowseWidget browse(src, columns());
    browse.resize(400, 300);
    testsupport::showActive(browse);
    QSignalSpy activated(&browse, &ui::BrowseWidget::activated);
    const int rowHeight = browse.fontMetrics().height() + 4;
    const int headerHeight = browse.fontMetrics().height() + 6;
    const QPoint third(50, headerHeight + 2 * rowHeight + rowHeight / 2);
    QTest::mouseClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, third);
    EXPECT_EQ(src.at(), 2);
    QTest::mouseDClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, third);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 1);
    QTest::mouseClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 2));
    EXPECT_EQ(src.at(), 2) << "a click on the heading selects nothing";
}

TEST(BrowseWidget, PaintsTheSystemsColours)
{
    MemoryRowSource src = millionCodes();
    src.marked = {1};
    ui::BrowseWidget browse(src, columns());
    browse.resize(400, 300);
    testsupport::showActive(browse);
    const QImage img = browse.viewport()->grab().toImage();
    const int rowHeight = browse.fontMetrics().height() + 4;
    const int headerHeight = browse.fontMetrics().height() + 6;
    EXPECT_TRUE(near(img.pixelColor(img.width() - 5, 2), QColor(255, 0, 0))) << "heading on red";
    EXPECT_TRUE(near(img.pixelColor(img.width() - 5, headerHeight + rowHeight / 2), QColor(0, 255, 0))) << "highlighted row green";
    EXPECT_TRUE(near(img.pixelColor(img.width() - 5, headerHeight + 3 * rowHeight + rowHeight / 2), QColor(192, 192, 192)))
        << "pane light grey";
    // The marked row's text is red, the others black.
    const auto hasRedInk = [&](int line) {
        for (int y = headerHeight + line * rowHeight; y < headerHeight + (line + 1) * rowHeight - 1; ++y)
            for (int x = 0; x < 300; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 90 && c.blue() < 90)
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(hasRedInk(1));
    EXPECT_FALSE(hasRedInk(2));
}

}  // namespace
