#include "ui/picture.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/tis620.h"
#include "ui/picture_editor.h"

using core::Value;
using ui::Picture;
using ui::PictureEditor;
using T = Value::Type;

namespace {

// The kind follows the value edited; values show as the field does.
TEST(Picture, KindAndFormat)
{
    using K = Picture::Kind;
    const struct {
        const char* picture;
        T type;
        int width;
        Picture::Kind kind;
        int shownWidth;
        int decimals;
    } cases[] = {
        {"@!", T::Text, 10, K::Text, 10, 0},          {"99:99:99", T::Text, 8, K::Template, 8, 0},
        {"99,999.99", T::Number, 0, K::Number, 9, 2}, {"", T::Number, 5, K::Number, 5, 0},
        {"", T::Date, 0, K::Date, 10, 0},             {"@! 99:99", T::Text, 5, K::Template, 5, 0},
        {"$9,999.#9*", T::Number, 0, K::Number, 8, 2}, {"ABC", T::Number, 0, K::Number, 10, 0},
    };
    for (const auto& c : cases) {
        const Picture p = Picture::parse(c.picture, c.type, c.width);
        EXPECT_EQ(std::tuple(p.kind(), p.width(), p.decimals()), std::tuple(c.kind, c.shownWidth, c.decimals))
            << c.picture;
    }

    EXPECT_EQ(Picture::parse("@!", T::Text, 10).format(Value::text("AB   ")), "AB");
    EXPECT_EQ(Picture::parse("99:99:99", T::Text, 8).format(Value::text("081500")), "08:50:  ")
        << "literal places show the mask's literal, whatever the value holds there";
    EXPECT_EQ(Picture::parse("99:99:99", T::Text, 8).format(Value::text("")), "  :  :  ");
    EXPECT_EQ(Picture::date().format(Value::date(core::Date::fromYmd(2026, 12, 5))), "05/12/2026");
    EXPECT_EQ(Picture::date().format(Value::date(core::Date())), "  /  /    ");
    EXPECT_EQ(Picture::parse("99,999", T::Number, 0).format(Value::text("1234")), " 1,234");
}

TEST(Picture, TemplatePlacesAndFreeTextAcceptTheirCharacters)
{
    const Picture p = Picture::parse("9!XANLY#-", T::Text, 9);
    struct Case {
        int pos;
        unsigned char typed;
        unsigned char stored;
    } cases[] = {
        {0, '5', '5'}, {0, 'a', 0},   {1, 'a', 'A'}, {1, 0xA1, 0xA1}, {2, 'a', 'a'}, {2, 0x80, 0},   {2, 0x07, 0},
        {3, '1', 0},   {3, 0xA1, 0xA1}, {3, 0xF1, 0}, {4, '7', '7'},  {4, '-', 0},    {5, 't', 'T'}, {5, 'x', 0},
        {6, 'n', 'N'}, {6, 't', 0},   {7, '-', '-'}, {7, ' ', ' '}, {8, '1', 0},  {3, 'z', 'z'}, {2, 0xFC, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(p.acceptAt(c.pos, c.typed), c.stored) << c.pos << " " << int(c.typed);
    EXPECT_FALSE(p.editableAt(8));

    const Picture upper = Picture::parse("@!", T::Text, 10);
    const Picture digits = Picture::parse("@9", T::Text, 6);
    EXPECT_EQ(upper.acceptText('q'), 'Q');
    EXPECT_EQ(upper.acceptText(0xA1), 0xA1) << "Thai has no case";
    EXPECT_EQ(digits.acceptText('7'), '7');
    EXPECT_EQ(digits.acceptText('a'), 0);
    EXPECT_EQ(upper.acceptText(0xDB), 0) << "undefined in TIS-620";
}

TEST(Picture, ToValue)
{
    const struct {
        Picture picture;
        const char* text;
        bool ok;
        Value value;  // NIL: not compared
    } cases[] = {
        {Picture::parse("@!", T::Text, 5), "AB", true, Value::text("AB   ")},
        {Picture::date(), "05/12/2026", true, Value::date(core::Date::fromYmd(2026, 12, 5))},
        {Picture::date(), "  /  /    ", true, Value::date(core::Date())},  // a blank date is the empty date
        {Picture::date(), "31/02/2026", false, Value()},
        {Picture::parse("99,999.99", T::Number, 0), " 1,250.50", true, Value::number(1250.5, 2)},
    };
    for (const auto& c : cases) {
        bool ok = !c.ok;
        const Value v = c.picture.toValue(c.text, ok);
        EXPECT_EQ(ok, c.ok) << c.text;
        if (!c.value.isNil()) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

// Keys: characters as they are; '<' Backspace, '>' Delete, 'L' Left, 'R' Right, 'H' Home, 'E' End.
void press(PictureEditor& e, std::string_view keys)
{
    for (const char k : keys) {
        switch (k) {
        case '<': e.backspace(); break;
        case '>': e.del(); break;
        case 'L': e.left(); break;
        case 'R': e.right(); break;
        case 'H': e.home(); break;
        case 'E': e.end(); break;
        default: e.type(static_cast<unsigned char>(k));
        }
    }
}

TEST(PictureEditor, NumbersTypeLikeACalculator)
{
    struct Case {
        const char* picture;
        double start;
        const char* keys;
        const char* shown;
        double value;
        int cursor;
    } cases[] = {
        {"999,999,999.99", 777, "1250", "      1,250.00", 1250, 11},
        {"999,999,999.99", 0, "1250.5", "      1,250.50", 1250.5, 13},
        {"999,999,999.99", 0, "1250.567", "      1,250.56", 1250.56, 14},
        {"999,999,999.99", 0, ".75", "          0.75", 0.75, 14},
        {"999,999,999.99", 0, "12.5<<<3", "         13.00", 13, 11},
        {"999,999,999.99", 42.5, "<", "         42.00", 42, 12},
        {"999,999,999.99", 42.5, ">", "          0.00", 0, 11},
        {"99,999", 0, "123456", "12,345", 12345, 6},
        {"99,999", 0, "0007", "     7", 7, 6},
        {"99,999", 0, "12-", "   -12", -12, 6},
        {"99,999", 0, "12345-", "12,345", 12345, 6},
        {"99,999", 5, "-", "    -5", -5, 6},
        {"99,999", 0, "1.5", "    15", 15, 6},
        {"99,999", 0, "1a2", "    12", 12, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " " + c.keys);
        PictureEditor e(Picture::parse(c.picture, T::Number, 0));
        e.load(Value::number(c.start, 2));
        press(e, c.keys);
        bool ok = false;
        EXPECT_EQ(std::tuple(e.text(), e.value(ok).asNumber(), e.cursor()), std::tuple(c.shown, c.value, c.cursor));
    }
}

// Templates type over and skip literals; free text inserts up to the width.
TEST(PictureEditor, TemplatesAndFreeText)
{
    struct Case {
        const char* picture;
        const char* start;
        const char* keys;
        const char* shown;
        int cursor;
    } cases[] = {
        {"99:99:99", "", "081530", "08:15:30", 8},
        {"99:99:99", "", "08x15", "08:15:  ", 6},
        {"99:99:99", "08:15:30", "E<<9", "08:15:9 ", 7},
        {"99:99:99", "08:15:30", "RRL>", "0 :15:30", 1},
        {"99999,!,9,9,999,999,999", "09600,E,7,1,002,005,005", "19200o8", "19200,O,8,1,002,005,005", 10},
        {"99999,!,9,9,999,999,999", "09600,E,7,1,002,005,005", "HE", "09600,E,7,1,002,005,005", 23},
    };
    for (const Case& c : cases) {
        PictureEditor e(Picture::parse(c.picture, T::Text, 0));
        e.load(Value::text(c.start));
        press(e, c.keys);
        EXPECT_EQ(std::pair(e.text(), e.cursor()), std::pair(std::string(c.shown), c.cursor))
            << c.picture << " " << c.keys;
    }

    PictureEditor e(Picture::parse("@!", T::Text, 6));
    e.load(Value::text("ab    "));
    press(e, "cdefgh");
    bool ok = false;
    EXPECT_EQ(e.text(), "abCDEF") << "typed letters are upper-cased, the width holds";
    EXPECT_EQ(e.value(ok).asText(), "abCDEF");
    const std::string thai = core::tis620::T("ก");
    PictureEditor t(Picture::parse("@!", T::Text, 3));
    t.type(static_cast<unsigned char>(thai[0]));
    EXPECT_EQ(t.text(), thai);
}

}  // namespace
