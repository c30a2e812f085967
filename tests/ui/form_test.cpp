// Entry fields and the forms built of them, offscreen: typing by the field's picture, Thai text held
// to TIS-620, validation that keeps the focus, forms bound both ways to the screen values, fields
// enabled by the values, grid layouts, and dialog buttons that validate (or do not).
#include "ui/form_builder.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "core/xbase.h"
#include "support/qt_typing.h"
#include "support/seams.h"
#include "ui/entry_field.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

using core::Value;
using core::tis620::T;
using ui::EntryField;
using ui::FormRow;
using ui::Picture;

namespace {

struct Window {
    QWidget w;
    EntryField* a;
    EntryField* b;
    Window(const Picture& pa, const Picture& pb)
    {
        auto* l = new QVBoxLayout(&w);
        a = new EntryField(pa, &w);
        b = new EntryField(pb, &w);
        l->addWidget(a);
        l->addWidget(b);
        testsupport::showActive(w);
        a->setFocus();
        QCoreApplication::processEvents();
    }
};

TEST(EntryField, ThaiTextIsTypedUpperCasedAndHeldToTheWidth)
{
    Window win(Picture::parse("@!", Value::Type::Text, 6), Picture::text(5));
    testsupport::typeUtf8(win.a, "กขabcdef");
    EXPECT_EQ(win.a->text(), QString::fromUtf8("กขABCD"));
    bool ok = false;
    EXPECT_EQ(win.a->value(&ok), Value::text(T("กขABCD")));
    testsupport::typeUtf8(win.b, "ab😀c");
    EXPECT_EQ(win.b->text(), QStringLiteral("abc")) << "characters TIS-620 cannot hold are refused";
}

TEST(EntryField, NumbersShowByTheirPictureOnceLeft)
{
    Window win(Picture::parse("999,999,999.99", Value::Type::Number, 0), Picture::text(5));
    win.a->setValue(Value::number(777, 2));
    EXPECT_EQ(win.a->text(), QStringLiteral("777.00"));
    testsupport::typeUtf8(win.a, "1250.5");
    testsupport::tabAway(win.a);
    EXPECT_TRUE(win.b->hasFocus());
    EXPECT_EQ(win.a->text(), QStringLiteral("1,250.50"));
    EXPECT_DOUBLE_EQ(win.a->value().asNumber(), 1250.5);
}

TEST(EntryField, DatesAndTimesTypeOverTheirTemplate)
{
    Window win(Picture::date(), Picture::parse("99:99:99", Value::Type::Text, 8));
    win.a->setValue(Value::date(core::Date()));
    win.a->setFocus();
    testsupport::typeUtf8(win.a, "05122026");
    EXPECT_EQ(win.a->text(), QStringLiteral("05/12/2026"));
    testsupport::tabAway(win.a);
    EXPECT_EQ(win.a->value().asDate(), core::Date::fromYmd(2026, 12, 5));
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

TEST(EntryField, AFailingValidationKeepsTheFocusUntilItPasses)
{
    Window win(Picture::parse("@!", Value::Type::Text, 1), Picture::text(5));
    testsupport::RecordingPrompts prompts;
    int runs = 0;
    win.a->setValidation([&](EntryField& f) {
        ++runs;
        const std::string v = f.value().asText();
        if (v == "Y" || v == "N")
            return true;
        core::prompts().message(core::MessageKind::Alert, T("ผิด"), T("  ส่วนทดสอบ"));
        return false;
    });
    testsupport::typeUtf8(win.a, "x");
    testsupport::tabAway(win.a);
    EXPECT_TRUE(win.a->hasFocus());
    EXPECT_FALSE(win.b->hasFocus());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].title, T("  ส่วนทดสอบ"));

    testsupport::pressKey(win.a, Qt::Key_Backspace);
    testsupport::typeUtf8(win.a, "y");
    testsupport::tabAway(win.a);
    EXPECT_TRUE(win.b->hasFocus());
    EXPECT_EQ(runs, 2) << "the field that took the focus back must not have validated itself";
    EXPECT_EQ(win.a->value().asText(), "Y");
}

core::ValueMap ticket()
{
    core::ValueMap v;
    v.setText("cTruck", "          ");
    v.setNumber("cWin", 0, 0);
    v.setNumber("cPrice", 12.5, 3);
    v.set("cDayin", Value::date(core::Date::fromYmd(2026, 12, 5)));
    v.setText("cTmin", "08:15:00");
    v.setText("cChq_No", "");
    return v;
}

TEST(Form, BindsBothWaysAndRecalculatesAfterAValidLeave)
{
    core::ValueMap values = ticket();
    std::vector<int> recalcs;
    ui::Form form(values, {
                              {T("ทะเบียนรถ"), "cTruck", "@!", 10, {}, 0},
                              {T("รถเข้า"), "cDayin", "", 0, {}, -1},
                              {"", "cTmin", "99:99:99", 0, {}, -1},
                              {"", "cWin", "99,999", 0, {}, 4},
                              {T("ราคา"), "cPrice", "999,999,999.999", 0, {}, 9},
                          });
    form.setRecalculation([&](int pos) { recalcs.push_back(pos); });
    testsupport::showActive(form);

    EXPECT_EQ(form.field("CDAYIN")->text(), QStringLiteral("05/12/2026"));
    EXPECT_EQ(form.field("cPrice")->text(), QStringLiteral("12.500"));
    EXPECT_EQ(form.findChildren<QLabel*>().size(), 3) << "rows without a label continue the one above";

    ui::EntryField* truck = form.field("cTruck");
    truck->setFocus();
    testsupport::typeUtf8(truck, "1กข234");
    testsupport::tabAway(truck);
    EXPECT_EQ(values.text("cTruck"), T("1กข234    "));

    ui::EntryField* win = form.field("cWin");
    win->setFocus();
    testsupport::typeUtf8(win, "12340");
    testsupport::tabAway(win);
    EXPECT_DOUBLE_EQ(values.number("cWin"), 12340);
    EXPECT_EQ(recalcs, (std::vector<int>{0, 4}));

    values.setNumber("cWin", 15000);  // the model recalculated: the field shows it at once
    EXPECT_EQ(win->text(), QStringLiteral("15,000"));
}

TEST(Form, EnabledWhenFollowsTheValues)
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
}

// Two columns of fields a line: entries of one cell stand side by side after its label, a widget
// put into a cell's label column stands where a label would.
TEST(Form, GridCellsPlaceRowsSideBySide)
{
    core::ValueMap values = ticket();
    ui::Form form(values, {{.label = T("ทะเบียนรถ"), .name = "cTruck", .picture = "@!", .width = 10, .gridRow = 1,
                            .gridColumn = 1},
                           {.label = T("รถเข้า"), .name = "cDayin", .gridRow = 2},
                           {.name = "cTmin", .picture = "99:99:99", .gridRow = 2},
                           {.name = "cPrice", .picture = "999,999,999.999", .gridRow = 1}});
    auto* pay = new QPushButton(QStringLiteral("pay"), &form);
    form.addToCell(1, 0, pay, true);
    testsupport::showActive(form);

    const auto x = [](QWidget* w) { return w->mapTo(w->window(), QPoint()).x(); };
    const auto y = [](QWidget* w) { return w->mapTo(w->window(), QPoint()).y(); };
    EXPECT_EQ(form.label("cTmin"), nullptr);
    EXPECT_EQ(y(form.field("cDayin")), y(form.field("cTmin"))) << "one cell, one line";
    EXPECT_LT(x(form.field("cDayin")), x(form.field("cTmin")));
    EXPECT_LT(y(form.field("cPrice")), y(form.field("cDayin")));
    EXPECT_GT(x(form.field("cTruck")), x(form.field("cPrice"))) << "the right column";
    EXPECT_LT(x(pay), x(form.field("cPrice"))) << "in the label's place";
    EXPECT_GT(x(form.label("cTruck")), x(form.field("cPrice")));
}

TEST(FormDialog, AValidatingButtonWaitsForTheFieldAndCancelDoesNot)
{
    core::ValueMap values = ticket();
    testsupport::RecordingPrompts prompts;
    const auto notBlank = [](ui::EntryField& f) {
        if (!core::xbase::alltrim(f.value().asText()).empty())
            return true;
        core::prompts().message(core::MessageKind::Alert, T("ต้องระบุ"), T("  ส่วนทดสอบ"));
        return false;
    };
    ui::FormDialog dialog(T("  ส่วนทดสอบ"), values, {{T("ทะเบียนรถ"), "cTruck", "@!", 10, notBlank, -1}});
    int saved = 0;
    int cancelled = 0;
    QPushButton* save = dialog.addButton(T("&บันทึก"), [&] { ++saved; });
    QPushButton* cancel = dialog.addButton(T("&ยกเลิก"), [&] { ++cancelled; }, false);
    dialog.show();
    testsupport::showActive(dialog);
    dialog.form().field("cTruck")->setFocus();
    QCoreApplication::processEvents();

    cancel->click();
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(prompts.shown.empty()) << "Cancel runs no validation";
    EXPECT_EQ(cancel->focusPolicy(), Qt::NoFocus);

    save->click();
    EXPECT_EQ(saved, 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, T("ต้องระบุ"));
    EXPECT_TRUE(dialog.form().field("cTruck")->hasFocus());

    testsupport::typeUtf8(dialog.form().field("cTruck"), "AB1");
    save->click();
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(values.text("cTruck"), "AB1       ");
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
