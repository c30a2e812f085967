#include "core/prompt_sounds.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace {

// A site folder whose sounds folder holds every prompt and number file.
class SoundsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("sounds"));
        for (int i = 0; i < 30; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Number%02d.wav", i);
            testsupport::writeFile(dir.file("sounds/") + name, "RIFF");
            std::snprintf(name, sizeof name, "TSound%02d.wav", i);
            testsupport::writeFile(dir.file("sounds/") + name, "RIFF");
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

}  // namespace

TEST_F(SoundsTest, SpokenNumbersPlayTheDocumentedSequences)
{
    EXPECT_EQ(spoken(21), (V{"22", "10", "16", "21"}));
    EXPECT_EQ(spoken(11), (V{"10", "16", "21"}));
    EXPECT_EQ(spoken(101), (V{"01", "11", "01", "21"}));
    EXPECT_EQ(spoken(1000000), (V{"01", "15", "21"}));
    EXPECT_EQ(spoken(0), (V{"00", "21"}));
    EXPECT_EQ(spoken(-5), (V{"00", "21"}));
    EXPECT_EQ(spoken(12345.67), (V{"01", "13", "02", "12", "03", "11", "04", "10", "05", "21"}));
    EXPECT_EQ(spoken(21000000), (V{"22", "10", "16", "15", "21"}));
    EXPECT_EQ(spoken(20000000), (V{"22", "10", "15", "21"}));
    EXPECT_EQ(spoken(31, 1), (V{"03", "10", "16"}));  // mode 1: no unit word
}

TEST_F(SoundsTest, PromptSoundsFollowTheSettings)
{
    testsupport::RecordingSound rec;
    core::TSOUND(12);
    core::TSOUND(9, 0);
    core::TSOUND(45);  // no such file: skipped
    EXPECT_EQ(rec.waves, (V{"TSound12.wav", "TSound09.wav"}));
    EXPECT_EQ(rec.waitedToEnd, (std::vector<bool>{false, true}));

    core::programSettings().setText("CSYSSOUND", "N");
    rec.waves.clear();
    core::TSOUND(12);
    core::NSOUND(1234);
    EXPECT_TRUE(rec.waves.empty());
}
