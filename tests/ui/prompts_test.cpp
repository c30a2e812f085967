#include "ui/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"

using core::tis620::T;

namespace {

// A message shows its TIS-620 text and title in Thai with the one button "&ตกลง"; a question
// answered with Enter (its default button) is a No.
TEST(QtPrompts, MessagesAreThaiAndQuestionsDefaultToNo)
{
    ui::QtPrompts prompts;
    QString title, text, defaultButton;
    QStringList buttons;
    testsupport::whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        box->defaultButton()->click();
    });
    prompts.message(core::MessageKind::Stop, T("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"), T("  ส่วนการกำหนดอำนาจ"));
    EXPECT_EQ(title, QString::fromUtf8("  ส่วนการกำหนดอำนาจ"));
    EXPECT_EQ(text, QString::fromUtf8("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"));
    EXPECT_EQ(buttons, QStringList{QString::fromUtf8("&ตกลง")});

    testsupport::whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        defaultButton = box->defaultButton()->text();
        box->defaultButton()->click();
    });
    EXPECT_FALSE(prompts.confirm(T("สั่งทำเครื่องหมายลบ"), T("กรุณายืนยันการทำงาน")));
    EXPECT_EQ(defaultButton, QString::fromUtf8("&ไม่ใช่"));

    testsupport::whenModal([](QWidget* modal) {
        for (QAbstractButton* b : qobject_cast<QMessageBox*>(modal)->buttons())
            if (b->text() == QString::fromUtf8("&ใช่"))
                b->click();
    });
    EXPECT_TRUE(prompts.confirm(T("สั่งทำเครื่องหมายลบ"), T("กรุณายืนยันการทำงาน")));
}

}  // namespace
