// Wave files as the player reads them, and the prompts and numbers spoken through them.
#include <filesystem>
#include <gtest/gtest.h>

#include "core/prompt_sounds.h"
#include "core/settings.h"
#include "core/wave_file.h"
#include "support/seams.h"
#include "support/temp_dir.h"
#include "support/wave_bytes.h"

namespace {

// PCM files are read, cut short or not, and others refused.
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

// A site folder whose sounds folder holds every prompt and number file.
class SoundsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("sounds"));
        for (int i = 0; i < 30; ++i) {
            const std::string nn = (i < 10 ? "0" : "") + std::to_string(i);
            testsupport::writeFile(dir.file("sounds/Number" + nn + ".wav"), "RIFF");
            testsupport::writeFile(dir.file("sounds/TSound" + nn + ".wav"), "RIFF");
        }
        auto& s = core::programSettings();
        s.setText("CDRV1", dir.path() + "/");
        s.setText("CSYSSOUND", "Y");
    }
    void TearDown() override { core::programSettings().clear(); }

    std::vector<std::string> spoken(double value, int mode = 0)
    {
        testsupport::RecordingSound rec;
        core::NSOUND(value, mode);
        std::vector<std::string> numbers;
        for (std::size_t i = 0; i < rec.waves.size(); ++i) {
            EXPECT_TRUE(rec.waitedToEnd[i]);
            numbers.push_back(rec.waves[i].substr(6, 2));  // "NumberNN.wav" -> "NN"
        }
        return numbers;
    }

    testsupport::TempDir dir;
};

using V = std::vector<std::string>;

TEST_F(SoundsTest, SpokenNumbersPlayTheDocumentedSequences)
{
    EXPECT_EQ(spoken(21), (V{"22", "10", "16", "21"}));
    EXPECT_EQ(spoken(11), (V{"10", "16", "21"}));
    EXPECT_EQ(spoken(0), (V{"00", "21"}));
    EXPECT_EQ(spoken(101), (V{"01", "11", "01", "21"}));
    EXPECT_EQ(spoken(1000000), (V{"01", "15", "21"}));
    EXPECT_EQ(spoken(20000000), (V{"22", "10", "15", "21"}));
    EXPECT_EQ(spoken(12345.67), (V{"01", "13", "02", "12", "03", "11", "04", "10", "05", "21"}));
    EXPECT_EQ(spoken(31, 1), (V{"03", "10", "16"}));  // mode 1: no unit word
    testsupport::RecordingSound prompt;
    core::TSOUND(12);  // a prompt plays on while the screen goes on; numbers are waited for
    EXPECT_EQ(prompt.waitedToEnd, std::vector<bool>{false});
    core::programSettings().setText("CSYSSOUND", "N");  // sounds switched off: nothing plays
    EXPECT_TRUE(spoken(1234).empty());
}

}  // namespace
