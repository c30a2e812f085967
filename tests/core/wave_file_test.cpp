#include "core/wave_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/wave_bytes.h"

namespace {

TEST(WaveFile, ReadsPcmFilesAndRefusesOthers)
{
    struct Case {
        std::string name;
        std::string bytes;
        bool ok;
        long frames;
        const char* error;
    };
    const std::string good = wavetest::wave(22050, 1, 16, 100);
    std::string truncated = good.substr(0, good.size() - 51);  // data cut mid-frame
    std::string huge = good;
    huge[40] = char(0xFF);  // data size far past the end: what is there is played
    std::string badAlign = good;
    badAlign[32] = 3;
    const Case cases[] = {
        {"16-bit mono", good, true, 100, ""},
        {"8-bit stereo with a LIST chunk of odd size", wavetest::wave(8000, 2, 8, 10, "LISTabc"), true, 10, ""},
        {"24-bit", wavetest::wave(48000, 2, 24, 7), true, 7, ""},
        {"truncated", truncated, true, 74, ""},
        {"data size too large", huge, true, 100, ""},
        {"empty", "", false, 0, "not a RIFF WAVE file"},
        {"not wave", std::string("RIFF\x04\0\0\0AVI ", 12), false, 0, "not a RIFF WAVE file"},
        {"mp3 inside", wavetest::wave(8000, 1, 16, 4, {}, 0x55), false, 0, "not PCM samples (format 85)"},
        {"12-bit", wavetest::wave(8000, 1, 12, 4), false, 0, "unsupported sample size 12"},
        {"no channels", wavetest::wave(8000, 0, 16, 4), false, 0, "unsupported channel count 0"},
        {"bad align", badAlign, false, 0, "block align does not match channels and sample size"},
        {"no data", good.substr(0, 36), false, 0, "no sample data"},
        {"header only", good.substr(0, 12), false, 0, "no format chunk"},
    };
    for (const Case& c : cases) {
        core::WaveData w;
        std::string error;
        EXPECT_EQ(core::parseWave(c.bytes, w, error), c.ok) << c.name << ": " << error;
        if (c.ok)
            EXPECT_EQ(w.frames(), c.frames) << c.name;
        else
            EXPECT_EQ(error, c.error) << c.name;
    }
}

TEST(WaveFile, TonesAreSinesOfThePitch)
{
    const auto s = core::toneSamples(900, 100, 22050);
    ASSERT_EQ(s.size(), 2205u);
    int crossings = 0;
    int peak = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        crossings += (s[i - 1] < 0) != (s[i] < 0);
        peak = std::max(peak, std::abs(int(s[i])));
    }
    EXPECT_NEAR(crossings, 180, 2) << "900 Hz for 0.1 s crosses zero 180 times";
    EXPECT_GT(peak, 15000);
    EXPECT_LT(std::abs(int(s.front())) + std::abs(int(s.back())), 200) << "faded in and out";
    EXPECT_TRUE(core::toneSamples(0, 100, 22050).empty());
}

}  // namespace
