#include "ui/fonts.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "ui/thai_text.h"

namespace {

TEST(Fonts, WindowsFacesMapToInstalledThaiFaces)
{
    struct Case {
        const char* face;
        const char* family;
        double factor;
    } cases[] = {
        {"MS Sans Serif", "Loma", 1.3},   {"EucrosiaUPC", "Norasi", 0.66}, {"eucrosiaupc", "Norasi", 0.66},
        {"LilyUPC", "Sawasdee", 0.66},    {"Angsana New", "Norasi", 0.66}, {"No Such Face", "Loma", 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::mappedFamily(c.face), QString::fromLatin1(c.family)) << c.face;
        EXPECT_DOUBLE_EQ(ui::sizeFactor(c.face), c.factor) << c.face;
        EXPECT_EQ(QFontInfo(ui::makeFont(c.face, 0, -20)).family(), QString::fromLatin1(c.family)) << c.face;
    }
}

TEST(Fonts, HeightsFollowTheWindowsFontRules)
{
    EXPECT_EQ(ui::makeFont("EucrosiaUPC", 0, -30).pixelSize(), 20) << "character height 30 x 0.66";
    EXPECT_EQ(ui::makeFont("Norasi", "0", "-30").pixelSize(), 30);
    EXPECT_EQ(ui::makeFont("Norasi", 0, -30, 1200.0 / 180).pixelSize(), 200);
    const QFont cell = ui::makeFont("Norasi", 0, 80);
    const QFontMetricsF fm(cell);
    EXPECT_NEAR(fm.ascent() + fm.descent(), 80, 2) << "a positive height is the cell height";
    const QFont wide = ui::makeFont("Norasi", 24, 80);
    EXPECT_NEAR(QFontMetricsF(wide).averageCharWidth(), 24, 2) << "a width stretches to that average";
    EXPECT_GT(ui::makeFont("Norasi", "x", "").pixelSize(), 0) << "texts that are no number give the default";
}

TEST(ThaiText, EveryTisByteCrossesTheBoundaryAndBack)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (core::tis620::toUnicode(static_cast<unsigned char>(b)) != U'\uFFFD')
            all += char(b);
    const QString q = ui::fromTis(all);
    EXPECT_EQ(q.size(), qsizetype(all.size())) << "one QChar per byte";
    EXPECT_EQ(ui::toTis(q), all);
    EXPECT_EQ(ui::fromTis(core::tis620::T("ก")), QString::fromUtf8("ก"));
    EXPECT_EQ(ui::toTis(QString::fromUtf8("a€😀ข")), "a??" + core::tis620::T("ข"));
}

}  // namespace
