// The code screens offscreen: the pick-list and management dialogs, the editor's form (focus, cancel,
// the employee's user buttons), and where a picture to show is found.
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "codes/dialogs/code_browser_dialog.h"
#include "codes/dialogs/code_editor_dialog.h"
#include "codes/dialogs/code_screens.h"
#include "codes/pick_list.h"
#include "codes/show_image.h"
#include "codes_fixture.h"
#include "support/qt_typing.h"
#include "ui/thai_text.h"

using namespace codestest;
using codes::CodeBrowserDialog;
using codes::CodeEditorDialog;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

using testsupport::activate;
using testsupport::showActive;

class CodesUiTest : public FarmersTest {
protected:
    void SetUp() override
    {
        FarmersTest::SetUp();
        previous = codes::setCodeScreens(&screens);
    }
    void TearDown() override { codes::setCodeScreens(previous); }

    codes::QtCodeScreens screens;
    codes::CodeScreens* previous = nullptr;
};

// Closing without a choice gives the seed back: CodeBrowserTest.TheSeedAndTheCodeBoxDecideWhereTheBrowserStands.
TEST_F(CodesUiTest, ThePickListTakesTheHighlightedRowOnEnter)
{
    testsupport::whenModal([&](QWidget* modal) {
        auto* d = qobject_cast<CodeBrowserDialog*>(modal);
        ASSERT_TRUE(d);
        activate(d);
        d->codeBox()->setFocus();
        d->codeBox()->selectAll();
        testsupport::typeUtf8(d->codeBox(), "b");
        testsupport::tabAway(d->codeBox());
        EXPECT_EQ(d->codeBox()->text(), u("B"));
        testsupport::pressKey(d->browse(), Qt::Key_Down);
        d->browse()->setFocus();
        testsupport::pressKey(d->browse(), Qt::Key_Return);
    });
    core::ValueMap values;
    values.setText("cFarmer", "Z");
    EXPECT_TRUE(codes::pickCode(ws, 1, values, "cFarmer"));
    EXPECT_EQ(values.text("cFarmer"), pad("B02"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CodesUiTest, TheManagementScreenAddsARowThroughTheEditorsForm)
{
    QString countAfter;
    testsupport::whenModal([&](QWidget* modal) {
        auto* browser = qobject_cast<CodeBrowserDialog*>(modal);
        ASSERT_TRUE(browser);
        testsupport::expectFitsSmallScreen(*browser);
        activate(browser);
        testsupport::whenModal([&](QWidget* modal) {
            auto* editor = qobject_cast<CodeEditorDialog*>(modal);
            ASSERT_TRUE(editor);
            testsupport::expectFitsSmallScreen(*editor);
            activate(editor);
            ui::EntryField* code = editor->form().field("CODE");
            code->setFocus();
            testsupport::typeUtf8(code, "n01");
            testsupport::tabAway(code);
            ui::EntryField* name = editor->form().field("NAME");
            EXPECT_TRUE(name->hasFocus());
            testsupport::typeUtf8(name, "ร้านใหม่");
            editor->saveButton()->click();
            testsupport::settle();
        });
        browser->button(CodeBrowserDialog::Button::Add)->click();
        testsupport::settle();
        countAfter = browser->countLabel()->text();
        browser->reject();
    });
    codes::POPCODE(1);
    EXPECT_EQ(countAfter, u("Record = 7"));
    EXPECT_EQ(site.codes(1), (Codes{"A01", "A02", "B01", "B02", "C01", "D01*", "N01"}));
    EXPECT_EQ(site.field(1, "N01", "NAME"), T("ร้านใหม่"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CodesUiTest, ATakenCodeKeepsTheFocusAndCancelWritesNothing)
{
    OpenBrowse b(1);
    const auto editor = b.editor(1, true);
    CodeEditorDialog dialog(*editor);
    showActive(dialog);
    ui::EntryField* code = dialog.form().field("CODE");
    code->setFocus();
    testsupport::typeUtf8(code, "a01");
    testsupport::tabAway(code);
    EXPECT_EQ(prompts.texts(), Codes{"รหัสนี้มีในตารางข้อมูลแล้ว !"});
    EXPECT_TRUE(code->hasFocus());
    // What was typed is not thrown away on the first word: No keeps the form, Yes closes it.
    prompts.answers = {false, true};
    dialog.cancelButton()->click();
    testsupport::settle();
    EXPECT_TRUE(dialog.isVisible());
    dialog.cancelButton()->click();
    testsupport::settle();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(prompts.shown.size(), 3u);  // Cancel runs no check, it only asks
    EXPECT_TRUE(prompts.shown[1].question && prompts.shown[2].question);
    EXPECT_EQ(site.codes(1).size(), 6u);
}

// The password and rights buttons: for changing an employee at level 6 only.
TEST_F(CodesUiTest, TheEmployeeEditorOffersTheUserButtonsWhenChangingAtLevelSix)
{
    site.add(4, {{"E01", "สมศรี"}});
    site.add(1, {{"E01", "ไม่ใช่พนักงาน"}});
    // The table, adding, the level, whether the buttons are offered.
    for (const auto& [table, adding, level, offered] : {std::tuple{4, false, 6, true}, {4, false, 5, false},
                                                        {4, true, 6, false}, {1, false, 6, false}}) {
        SCOPED_TRACE(testing::Message() << table << " " << adding << " " << level);
        OpenBrowse b(table);
        b.highlight("E01");
        const auto editor = b.editor(table, adding, level);
        CodeEditorDialog dialog(*editor);
        ASSERT_EQ(std::tuple(editor->userButtons(), dialog.passwordButton() != nullptr, dialog.rightsButton() != nullptr),
                  std::tuple(offered, offered, offered));
        if (!offered)
            continue;
        // The rights dialog opens on the row.
        QString rightsTitle;
        testsupport::whenModal([&](QWidget* modal) {
            rightsTitle = modal->windowTitle();
            qobject_cast<QDialog*>(modal)->reject();
        });
        dialog.rightsButton()->click();
        EXPECT_EQ(rightsTitle, u("  E01 : สมศรี"));
    }
}

// A picture is found whatever its case, and only in the picture folder; otherwise the no-image one.
TEST_F(CodesUiTest, ThePictureIsFoundInThePictureFolderOrIsTheNoImagePicture)
{
    std::filesystem::create_directories(site.dir.file("IMAGE"));
    std::filesystem::create_directories(site.dir.file("library"));
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(site.dir.file("IMAGE/truck.bmp")));
    QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString(site.dir.file("library/noimage.bmp")));
    for (const auto& [file, found] : {std::pair{"truck.bmp", true}, {"TRUCK.BMP", true}, {"lorry.bmp", false},
                                      {"../library/noimage.bmp", false}}) {
        const codes::ImageToShow image = codes::showImage(file, T("รถบรรทุก"));
        EXPECT_EQ(std::tuple(image.found, std::filesystem::path(image.path).filename().string(), image.title),
                  std::tuple(found, found ? "truck.bmp" : "noimage.bmp", T("  รถบรรทุก"))) << file;
    }
}

// Each of the menu's code-table entries opens its own table: an offset in their registration would
// have the clerk edit the wrong codes.
TEST_F(CodesUiTest, EachCodeEntryOfTheMenuOpensItsOwnTable)
{
    shell::Dispatcher dispatcher;
    codes::registerCodeActions(dispatcher);
    for (int n = 1; n <= codes::kCodeTables; ++n) {
        QString title;
        testsupport::whenModal([&](QWidget* modal) {
            title = modal->windowTitle();
            qobject_cast<QDialog*>(modal)->reject();
        });
        const auto action = shell::Action(int(shell::Action::POPCODE1) + n - 1);
        EXPECT_TRUE(dispatcher.dispatch(action, shell::levelPosition(action)));
        EXPECT_EQ(title, ui::fromTis(T(codes::codeTableDef(n).titleUtf8))) << n;
    }
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
