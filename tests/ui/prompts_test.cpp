#include "ui/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"
#include "ui/thai_text.h"

using core::tis620::T;

namespace {

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

TEST(QtPrompts, MessagesShowTheThaiTextTitleAndKind)
{
    ui::QtPrompts prompts;
    struct Case {
        core::MessageKind kind;
        QMessageBox::Icon icon;
    } cases[] = {
        {core::MessageKind::Info, QMessageBox::Information},
        {core::MessageKind::Alert, QMessageBox::Warning},
        {core::MessageKind::Stop, QMessageBox::Critical},
    };
    for (const Case& c : cases) {
        auto seen = std::make_shared<Seen>();
        testsupport::whenModal([seen](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            for (QAbstractButton* b : box->buttons())
                seen->buttons << b->text();
            box->defaultButton()->click();
        });
        prompts.message(c.kind, T("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"), T("  ส่วนการกำหนดอำนาจ"));
        EXPECT_EQ(seen->title, QString::fromUtf8("  ส่วนการกำหนดอำนาจ"));
        EXPECT_EQ(seen->text, QString::fromUtf8("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"));
        EXPECT_EQ(seen->icon, c.icon);
        EXPECT_EQ(seen->buttons, QStringList{QString::fromUtf8("&ตกลง")});
    }
}

TEST(QtPrompts, QuestionsDefaultToNo)
{
    ui::QtPrompts prompts;
    auto seen = std::make_shared<Seen>();
    testsupport::whenModal([seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        seen->title = box->windowTitle();
        seen->defaultButton = box->defaultButton()->text();
        box->defaultButton()->click();
    });
    EXPECT_FALSE(prompts.confirm(T("สั่งทำเครื่องหมายลบ"), T("กรุณายืนยันการทำงาน")));
    EXPECT_EQ(seen->title, QString::fromUtf8("กรุณายืนยันการทำงาน"));
    EXPECT_EQ(seen->defaultButton, QString::fromUtf8("&ไม่ใช่"));

    testsupport::whenModal([](QWidget* modal) {
        for (QAbstractButton* b : qobject_cast<QMessageBox*>(modal)->buttons())
            if (b->text() == QString::fromUtf8("&ใช่"))
                b->click();
    });
    EXPECT_TRUE(prompts.confirm(T("สั่งทำเครื่องหมายลบ"), T("กรุณายืนยันการทำงาน")));
}

}  // namespace
