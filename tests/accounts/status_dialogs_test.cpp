// The status screens on the offscreen platform, started as the main window starts them (the
// dispatcher with the user's rights): an order is entered through the editor's form, and a user of
// level 3 finds change and mark disabled, also by Enter and a double click on the browse.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "accounts/dialogs/status_dialogs.h"
#include "status_fixture.h"
#include "support/qt_typing.h"
#include "ui/thai_text.h"

using namespace statustest;
using accounts::StatusEditorDialog;
using accounts::StatusListDialog;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

using testsupport::activate;

// Types into a field of the form and leaves it with Tab.
void typeInto(StatusEditorDialog* d, const char* name, const char* utf8)
{
    ui::EntryField* f = d->form().field(name);
    ASSERT_TRUE(f) << name;
    f->setFocus();
    testsupport::typeUtf8(f, utf8);
    testsupport::tabAway(f);
}

class StatusDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { accounts::registerStatusActions(dispatcher); }
    void TearDown() override { accounts::setStatusScreens(nullptr); }

    weighingtest::Site site;
    weighingtest::ScriptedPickList pickList;
    shell::Dispatcher dispatcher;
};

TEST_F(StatusDialogsTest, AnOrderIsEnteredThroughTheEditorsForm)
{
    QString editorTitle, date, customerName;
    bool nameEnabled = true;
    testsupport::whenModal([&](QWidget* modal) {
        auto* list = qobject_cast<StatusListDialog*>(modal);
        ASSERT_TRUE(list);
        testsupport::expectFitsSmallScreen(*list);
        activate(list);
        EXPECT_TRUE(list->button(StatusListDialog::Button::Mark)->isEnabled());
        testsupport::whenModal([&](QWidget* modal) {
            auto* editor = qobject_cast<StatusEditorDialog*>(modal);
            ASSERT_TRUE(editor);
            testsupport::expectFitsSmallScreen(*editor);
            activate(editor);
            editorTitle = editor->windowTitle();
            date = editor->form().field("DATE")->text();
            typeInto(editor, "CODE", "po88");
            typeInto(editor, "COMPANY", "C002");
            customerName = editor->form().field("cComName")->text();
            nameEnabled = editor->form().field("cComName")->isEnabled();
            typeInto(editor, "PRODUCT", "P002");
            typeInto(editor, "ORWEIGHT", "8000");
            typeInto(editor, "PRICE", "9.5");
            editor->saveButton()->click();
            testsupport::settle();
        });
        list->button(StatusListDialog::Button::Add)->click();
        testsupport::settle();
        list->button(StatusListDialog::Button::Exit)->click();
    });
    EXPECT_TRUE(dispatcher.dispatch(shell::Action::EDITPROC4, 14));
    EXPECT_EQ(editorTitle, u("  เพิ่มข้อมูลใบสั่งซื้อใหม่"));
    EXPECT_EQ(date, u("05/12/2026"));
    EXPECT_EQ(customerName, u("โรงสีไฟเจริญผล"));
    EXPECT_FALSE(nameEnabled);
    const auto order = site.find("OrAcc", "CODE", "PO88");
    ASSERT_TRUE(order);
    EXPECT_EQ(order->text("COMPANY"), "C002");
    EXPECT_EQ(order->text("PRODUCT"), "P002");
    EXPECT_DOUBLE_EQ(order->number("ORWEIGHT"), 8000);
    EXPECT_DOUBLE_EQ(order->number("PRICE"), 9.5);
}

TEST_F(StatusDialogsTest, AtLevelThreeNeitherButtonsNorEnterNorDoubleClickChangeARow)
{
    site.load("ApAcc", "CODE,BALANCE\nF001,100\n");
    std::string rights(42, '6');
    rights[11] = '3';
    site.setting("CTRUSTEE", rights);
    bool add = false, change = true, mark = true, editorOpened = false;
    // An editor that opened by mistake is recorded and closed, so the test goes on.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (auto* e = qobject_cast<StatusEditorDialog*>(QApplication::activeModalWidget())) {
            editorOpened = true;
            e->reject();
        }
    });
    guard.start(5);
    testsupport::whenModal([&](QWidget* modal) {
        auto* list = qobject_cast<StatusListDialog*>(modal);
        ASSERT_TRUE(list);
        activate(list);
        add = list->button(StatusListDialog::Button::Add)->isEnabled();
        change = list->button(StatusListDialog::Button::Change)->isEnabled();
        mark = list->button(StatusListDialog::Button::Mark)->isEnabled();
        ui::BrowseWidget* browse = list->browse();
        browse->setFocus();
        QTest::keyClick(browse, Qt::Key_Return);
        int y = 0;
        while (y < browse->viewport()->height() && browse->lineAt(QPoint(20, y)) != 0)
            ++y;
        QTest::mouseDClick(browse->viewport(), Qt::LeftButton, {}, QPoint(20, y + 2));
        testsupport::settle();
        list->reject();
    });
    EXPECT_TRUE(dispatcher.dispatch(shell::Action::EDITPROC2, 12));
    EXPECT_TRUE(add);
    EXPECT_FALSE(change);
    EXPECT_FALSE(mark);
    EXPECT_FALSE(editorOpened);
}

}  // namespace
