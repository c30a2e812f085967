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

// A browse of a million codes, shown; `at` is the row the source stands on when it opens, the
// rows in `marked` are marked deleted.
struct MillionCodes {
    explicit MillionCodes(long at = 0, std::vector<long> marked = {})
        : src(1'000'000, [](long i, std::vector<std::string>& out) {
              char code[16];
              std::snprintf(code, sizeof code, "C%07ld", i);
              out = {code, T("ชื่อ ") + std::to_string(i)};
          })
    {
        src.setAt(at);
        src.marked = std::move(marked);
        browse = std::make_unique<ui::BrowseWidget>(src, std::vector<ui::BrowseColumn>{{T("  รหัสผู้ขาย"), 100},
                                                                                      {T("  ชื่อผู้ขาย"), 200}});
        browse->resize(400, 300);
        src.resetCounts();
        testsupport::showActive(*browse);
    }
    MemoryRowSource src;
    std::unique_ptr<ui::BrowseWidget> browse;
};

TEST(BrowseWidget, OpensOnAMillionRowsFetchingOnlyTheVisibleOnes)
{
    MillionCodes codes(654'321);
    const int rows = codes.browse->visibleRows();
    EXPECT_GT(rows, 3);
    EXPECT_EQ(int(codes.browse->rows().rows().size()), rows);
    EXPECT_LE(codes.src.reads, 2 * rows + 2) << "one fetch for the first size, one for the final one";
    EXPECT_LE(codes.src.rowsSkipped, 6 * rows);
    EXPECT_EQ(codes.src.at(), 654'321) << "it opens on the row the source stands on";
}

TEST(BrowseWidget, KeysAndClicksMoveTheSourceAndEnterOrADoubleClickActs)
{
    MillionCodes codes;
    ui::BrowseWidget& browse = *codes.browse;
    browse.setFocus();
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
        EXPECT_EQ(codes.src.at(), s.at) << s.key;
    }
    EXPECT_GT(browse.verticalScrollBar()->value(), 990) << "the scroll bar shows the place";
    QTest::keyClick(&browse, Qt::Key_Return);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 0);

    QTest::keyClick(&browse, Qt::Key_Home, Qt::ControlModifier);
    const QPoint third(50, (uitest::rowTop(browse, 2) + uitest::rowTop(browse, 3)) / 2);
    QTest::mouseClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, third);
    EXPECT_EQ(codes.src.at(), 2);
    QTest::mouseDClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, third);
    ASSERT_EQ(activated.count(), 2);
    EXPECT_EQ(activated.at(1).at(0).toInt(), 1);
    QTest::mouseClick(browse.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 2));
    EXPECT_EQ(codes.src.at(), 2) << "a click on the heading selects nothing";
}

TEST(BrowseWidget, ARowMarkedDeletedIsWrittenInRed)
{
    MillionCodes codes(0, {1});
    EXPECT_TRUE(uitest::rowHasRedInk(*codes.browse, 1));
    EXPECT_FALSE(uitest::rowHasRedInk(*codes.browse, 2));
}

}  // namespace
