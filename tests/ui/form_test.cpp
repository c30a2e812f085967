// Entry fields and the forms built of them, offscreen.
#include "ui/form_builder.h"

#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"
#include "support/seams.h"
#include "ui/entry_field.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

using core::Value;
using core::tis620::T;
using ui::EntryField;
using ui::Picture;

namespace {

TEST(EntryField, DatesAndTimesTypeOverTheirTemplate)
{
    struct {
        QWidget w;
        EntryField* a = new EntryField(Picture::date(), &w);
        EntryField* b = new EntryField(Picture::parse("99:99:99", Value::Type::Text, 8), &w);
    } win;
    auto* layout = new QVBoxLayout(&win.w);
    layout->addWidget(win.a);
    layout->addWidget(win.b);
    testsupport::showActive(win.w);
    win.a->setValue(Value::date(core::Date()));
    win.a->setFocus();
    testsupport::typeUtf8(win.a, "05122026");
    EXPECT_EQ(win.a->text(), QStringLiteral("05/12/2026"));
    testsupport::pressKey(win.a, Qt::Key_Home);
    testsupport::pressKey(win.a, Qt::Key_Right);
    testsupport::typeUtf8(win.a, "3");
    EXPECT_EQ(win.a->text(), QStringLiteral("03/12/2026"));
    testsupport::tabAway(win.a);
    EXPECT_EQ(win.a->value().asDate(), core::Date::fromYmd(2026, 12, 3));
    // A date that names no day is refused where it is typed: the person is told, the focus stays,
    // and what the field was bound to is not blanked.
    {
        testsupport::RecordingPrompts prompts;
        std::vector<Value> committed;
        QObject::connect(win.a, &EntryField::committed, [&](const Value& v) { committed.push_back(v); });
        win.a->setFocus();
        testsupport::typeUtf8(win.a, "31022026");
        testsupport::tabAway(win.a);
        EXPECT_TRUE(win.a->hasFocus());
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, T(ui::kBadDateUtf8));
        EXPECT_TRUE(committed.empty());
        testsupport::typeUtf8(win.a, "28022026");
        testsupport::tabAway(win.a);
        ASSERT_EQ(committed.size(), 1u);
        EXPECT_EQ(committed[0].asDate(), core::Date::fromYmd(2026, 2, 28));
    }
    testsupport::typeUtf8(win.b, "0815");
    EXPECT_EQ(win.b->text(), QStringLiteral("08:15:  "));
    testsupport::pressKey(win.b, Qt::Key_Backspace);
    EXPECT_EQ(win.b->text(), QStringLiteral("08:1 :  "));
}

core::ValueMap ticket()
{
    core::ValueMap v;
    v.setText("cTruck", "          ");
    v.setNumber("cWin", 0, 0);
    v.setText("cChq_No", "");
    return v;
}

// Fields enabled by the values; free text held to its picture.
TEST(Form, EnabledWhenFollowsTheValuesAndFreeTextKeepsItsPicture)
{
    core::ValueMap values = ticket();
    values.setText("cPay", "1");
    ui::Form form(values, {
                              {T("ชำระ"), "cPay", "9", 0, {}, 1},
                              {T("เช็ค"), "cChq_No", "@!", 10, {}, -1, [&] { return values.text("cPay") == "3"; }},
                              {T("ทะเบียนรถ"), "cTruck", "@!", 10},
                          });
    testsupport::showActive(form);
    EXPECT_FALSE(form.field("cChq_No")->isEnabled());
    ui::EntryField* pay = form.field("cPay");
    pay->setFocus();
    testsupport::typeUtf8(pay, "3");
    testsupport::tabAway(pay);
    EXPECT_TRUE(form.field("cChq_No")->isEnabled());
    // Free text is upper-cased and held to its width; what TIS-620 cannot hold is refused.
    testsupport::typeUtf8(form.field("cTruck"), "กขab😀cdefghij");
    EXPECT_EQ(form.field("cTruck")->text(), QString::fromUtf8("กขABCDEFGH"));
}

// Text typed into a field of a window that never had the focus (a second window over it, a test
// driving it offscreen) is still what the button acts on.
TEST(FormDialog, AButtonCommitsTextTypedIntoAFieldThatNeverHadTheFocus)
{
    core::ValueMap values = ticket();
    ui::FormDialog dialog(T("  ส่วนทดสอบ"), values,
                          {{T("ทะเบียนรถ"), "cTruck", "@!", 10, nullptr, -1}, {T("น้ำหนัก"), "cWin", "99,999", 6, nullptr, -1}});
    std::string seen;
    double weight = -1;
    QPushButton* save = dialog.addButton(T("&บันทึก"), [&] {
        seen = values.text("cTruck");
        weight = values.number("cWin");
    });
    testsupport::typeUtf8(dialog.form().field("cTruck"), "ab1");
    testsupport::typeUtf8(dialog.form().field("cWin"), "1234");
    save->click();
    EXPECT_EQ(seen, "AB1       ");
    EXPECT_DOUBLE_EQ(weight, 1234);
}

}  // namespace
