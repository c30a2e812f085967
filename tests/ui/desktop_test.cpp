// The desktop's services: fonts, TIS-620 text across the Qt boundary, message boxes, ALSA sound.
#include <QAbstractButton>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "core/wave_file.h"
#include "support/qt_typing.h"
#include "support/temp_dir.h"
#include "support/wave_bytes.h"
#include "ui/alsa_sound.h"
#include "ui/fonts.h"
#include "ui/message_box.h"
#include "ui/thai_text.h"

namespace {

using core::tis620::T;

TEST(Fonts, WindowsFacesMapToInstalledThaiFacesSizedByTheWindowsRules)
{
    struct Case {
        const char* face;
        const char* family;
        double factor;
    } cases[] = {
        {"MS Sans Serif", "Loma", 1.3}, {"eucrosiaupc", "Norasi", 0.66}, {"No Such Face", "Loma", 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::mappedFamily(c.face), QString::fromLatin1(c.family)) << c.face;
        EXPECT_DOUBLE_EQ(ui::sizeFactor(c.face), c.factor) << c.face;
        EXPECT_EQ(QFontInfo(ui::makeFont(c.face, 0, -20)).family(), QString::fromLatin1(c.family)) << c.face;
    }
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
    EXPECT_EQ(ui::fromTis(T("ก")), QString::fromUtf8("ก"));
    EXPECT_EQ(ui::toTis(QString::fromUtf8("a€😀ข")), "a??" + T("ข"));
}

// A message shows its TIS-620 text in Thai; a question answered with Enter (its default button) is a No.
TEST(QtPrompts, MessagesAreThaiAndQuestionsDefaultToNo)
{
    ui::QtPrompts prompts;
    QString text, defaultButton;
    testsupport::whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        text = box->text();
        box->defaultButton()->click();
    });
    prompts.message(core::MessageKind::Stop, T("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"), T("  ส่วนการกำหนดอำนาจ"));
    EXPECT_EQ(text, QString::fromUtf8("คุณไม่มีอำนาจที่จะใช้คำสั่งนี้"));

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

TEST(AlsaSound, PlaysWavesAndTonesOnTheNullDeviceAndSkipsADeviceThatDoesNotOpen)
{
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("a.wav"), wavetest::wave(8000, 1, 16, 800));
    testsupport::writeFile(dir.file("b.wav"), wavetest::wave(22050, 2, 8, 2205));
    testsupport::writeFile(dir.file("bad.wav"), "RIFF....WAVEjunk");
    ui::AlsaSound sound("null");

    sound.playWave(dir.file("a.wav"), true);
    EXPECT_EQ(sound.finished(), 1);
    sound.tone(900, 50);
    EXPECT_EQ(sound.finished(), 2);

    sound.playWave(dir.file("a.wav"), false);
    sound.playWave(dir.file("b.wav"), false);  // replaces the first if it still plays
    sound.waitIdle();
    const int played = sound.finished() + sound.cutOff();
    EXPECT_TRUE(played == 3 || played == 4) << "the first is cut off or never starts";
    EXPECT_GE(sound.finished(), 3) << "the second always plays to its end";

    sound.playWave(dir.file("missing.wav"), true);
    sound.playWave(dir.file("bad.wav"), true);
    EXPECT_EQ(sound.finished() + sound.cutOff(), played) << "unreadable files are skipped";
    EXPECT_TRUE(sound.available());

    ui::AlsaSound none("mervo_no_such_device");
    none.playWave(dir.file("a.wav"), true);
    EXPECT_FALSE(none.available());
    none.tone(900, 100);
    none.playWave(dir.file("a.wav"), false);
    none.waitIdle();
    EXPECT_EQ(none.finished(), 0);
}

}  // namespace
