#include "ui/form_builder.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "core/xbase.h"
#include "support/qt_typing.h"
#include "support/seams.h"
#include "ui/widgets.h"

using core::Value;
using core::tis620::T;
using ui::FormRow;

namespace {

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
    FormRow truck{.label = T("ทะเบียนรถ"), .name = "cTruck", .picture = "@!", .width = 10};
    truck.gridRow = 1;
    truck.gridColumn = 1;
    FormRow dayin{.label = T("รถเข้า"), .name = "cDayin"};
    dayin.gridRow = 2;
    FormRow tmin{.name = "cTmin", .picture = "99:99:99"};
    tmin.gridRow = 2;
    FormRow price{.name = "cPrice", .picture = "999,999,999.999"};
    price.gridRow = 1;
    ui::Form form(values, {truck, dayin, tmin, price});
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
