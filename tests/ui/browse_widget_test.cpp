#include "ui/browse_widget.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"
#include "support/memory_row_source.h"
#include "ui/browse_ink.h"

using core::tis620::T;
using testsupport::MemoryRowSource;

namespace {

// A browse of a million codes.
TEST(BrowseWidget, KeysAndClicksMoveTheSourceAndEnterOrADoubleClickActs)
{
    MemoryRowSource src(1'000'000, [](long i, std::vector<std::string>& out) {
        char code[16];
        std::snprintf(code, sizeof code, "C%07ld", i);
        out = {code, T("ชื่อ ") + std::to_string(i)};
    });
    ui::BrowseWidget browse(src, {{T("  รหัสผู้ขาย"), 100}, {T("  ชื่อผู้ขาย"), 200}});
    browse.resize(400, 300);
    src.resetCounts();
    testsupport::showActive(browse);
    browse.setFocus();
    QSignalSpy activated(&browse, &ui::BrowseWidget::activated);
    const long page = browse.visibleRows();
    EXPECT_LE(src.reads, 2 * page + 2) << "opened fetching only the rows it shows, at two sizes";
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        long at;
    } steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 1},
        {Qt::Key_Up, Qt::NoModifier, 0},
        {Qt::Key_PageDown, Qt::NoModifier, page},
        {Qt::Key_PageUp, Qt::NoModifier, 0},
        {Qt::Key_End, Qt::ControlModifier, 999'999},
        {Qt::Key_Home, Qt::ControlModifier, 0},
        {Qt::Key_PageDown, Qt::ControlModifier, 999'999},
    };
    for (const Step& s : steps) {
        const long reports = src.reports;
        QTest::keyClick(&browse, s.key, s.mods);
        EXPECT_EQ(src.at(), s.at) << s.key;
        EXPECT_EQ(src.reports, reports + 1) << "failures met on the move are reported after it";
    }
    const long reports = src.reports;
    browse.repaint();
    EXPECT_EQ(src.reports, reports) << "never while painting";
    EXPECT_GT(browse.verticalScrollBar()->value(), 990) << "the scroll bar shows the place";
    QTest::keyClick(&browse, Qt::Key_Return);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 0);

    QTest::keyClick(&browse, Qt::Key_Home, Qt::ControlModifier);
    const QPoint third(50, (uitest::rowTop(browse, 2) + uitest::rowTop(browse, 3)) / 2);
    QTest::mouseClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, third);
    EXPECT_EQ(src.at(), 2);
    QTest::mouseDClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, third);
    ASSERT_EQ(activated.count(), 2);
    EXPECT_EQ(activated.at(1).at(0).toInt(), 1);
    QTest::mouseClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 2));
    EXPECT_EQ(src.at(), 2) << "a click on the heading selects nothing";
}

}  // namespace
