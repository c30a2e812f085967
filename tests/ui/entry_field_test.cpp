#include "ui/entry_field.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"
#include "support/seams.h"
#include "ui/thai_text.h"

using core::Value;
using core::tis620::T;
using ui::EntryField;
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

}  // namespace
