#include "ui/widgets.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"
#include "support/temp_dir.h"

using core::tis620::T;

namespace {

TEST(Widgets, MessageBarShowsTheHoveredItemsTextElseItsDefault)
{
    testsupport::TempDir dir;
    QImage picture(34, 34, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("Report2.bmp"))));

    QMainWindow window;
    auto* bar = new ui::MessageBar(&window);
    window.setStatusBar(bar);
    bar->attachTo(&window);
    bar->setDefaultText(T("โปรแกรมชั่งรถบรรทุก"));
    auto* tools = new ui::ToolBar(QSize(34, 34), &window);
    window.addToolBar(tools);
    ui::PictureButton* report =
        tools->addPictureButton(dir.file("Report2.bmp"), T("รายงาน"), T("ส่วนจัดทำรายงาน"), true);
    ui::PictureButton* missing =
        tools->addPictureButton(dir.file("nothing.bmp"), T("บำรุงรักษา"), T("ส่วนซ่อมบำรุงรักษาแฟ้มข้อมูล"), true);
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("menu"));
    QAction* item = menu->addAction(QString::fromUtf8("ชั่งซื้อ/รับเข้า"));
    item->setStatusTip(QString::fromUtf8("ส่วนบันทึกการชั่งซื้อหรือการชั่งรับสินค้าเข้า"));
    testsupport::showActive(window);

    EXPECT_EQ(bar->shownText(), QString::fromUtf8("โปรแกรมชั่งรถบรรทุก"));
    EXPECT_FALSE(report->icon().isNull());
    EXPECT_TRUE(missing->icon().isNull()) << "a missing picture leaves the button plain";
    EXPECT_EQ(report->toolTip(), QString::fromUtf8("รายงาน"));
    EXPECT_EQ(report->cursor().shape(), Qt::PointingHandCursor);

    QStatusTipEvent hover(report->statusTip());
    QApplication::sendEvent(report, &hover);
    EXPECT_EQ(bar->shownText(), QString::fromUtf8("ส่วนจัดทำรายงาน"));
    item->showStatusText(&window);
    EXPECT_EQ(bar->shownText(), QString::fromUtf8("ส่วนบันทึกการชั่งซื้อหรือการชั่งรับสินค้าเข้า"));
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(report, &leave);
    EXPECT_EQ(bar->shownText(), QString::fromUtf8("โปรแกรมชั่งรถบรรทุก"));
}

TEST(Widgets, ProgressAndWaitWindowRepaintAtOnce)
{
    ui::ProgressBar progress;
    progress.setPercent(150);
    EXPECT_EQ(progress.value(), 100);
    progress.setPercent(-3);
    EXPECT_EQ(progress.value(), 0);

    ui::WaitWindow wait(T("  ส่วนบำรุงรักษาแฟ้มข้อมูล"));
    EXPECT_TRUE(wait.isVisible());
    wait.setStep(T("กำลังจัดเรียงแฟ้ม Farmer"));
    EXPECT_EQ(wait.stepText(), QString::fromUtf8("กำลังจัดเรียงแฟ้ม Farmer"));
}

}  // namespace
