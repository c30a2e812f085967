// The desktop's services: TIS-620 text across the Qt boundary, message boxes, ALSA sound.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "support/qt_typing.h"
#include "support/temp_dir.h"
#include "support/wave_bytes.h"
#include "ui/alsa_sound.h"
#include "ui/message_box.h"
#include "ui/thai_text.h"

namespace {

using core::tis620::T;

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

// A question answered with Enter (its default button) is a No.
TEST(QtPrompts, QuestionsDefaultToNo)
{
    ui::QtPrompts prompts;
    QString defaultButton;
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

// A sound that cannot play (a missing or unreadable file, a device that does not open) is skipped
// without holding the program up.
TEST(AlsaSound, PlaysOnTheNullDeviceAndSkipsWhatCannotPlay)
{
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("a.wav"), wavetest::wave(8000, 1, 16, 800));
    testsupport::writeFile(dir.file("bad.wav"), "RIFF....WAVEjunk");
    ui::AlsaSound sound("null");
    sound.playWave(dir.file("a.wav"), true);
    sound.tone(900, 50);
    sound.playWave(dir.file("missing.wav"), true);
    sound.playWave(dir.file("bad.wav"), true);
    EXPECT_EQ(sound.finished(), 2);
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
