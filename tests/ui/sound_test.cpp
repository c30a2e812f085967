#include "ui/alsa_sound.h"

#include <gtest/gtest.h>

#include "core/wave_file.h"
#include "support/temp_dir.h"
#include "support/wave_bytes.h"

namespace {

TEST(AlsaSound, PlaysWavesAndTonesOnTheNullDevice)
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
}

TEST(AlsaSound, ADeviceThatDoesNotOpenIsSkippedFromThenOn)
{
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("a.wav"), wavetest::wave(8000, 1, 16, 800));
    ui::AlsaSound sound("mervo_no_such_device");
    sound.playWave(dir.file("a.wav"), true);
    EXPECT_FALSE(sound.available());
    sound.tone(900, 100);
    sound.playWave(dir.file("a.wav"), false);
    sound.waitIdle();
    EXPECT_EQ(sound.finished(), 0);
}

}  // namespace
