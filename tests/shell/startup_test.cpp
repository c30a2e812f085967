#include "shell/startup.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "core/ini_file.h"
#include "shell/config.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

using testsupport::readFile;
using testsupport::writeFile;

namespace {

// The configuration keys as the product's documentation lists them: section, key, default.
// Typed here independently of the program's own table, which the tests compare against it.
struct Row {
    const char* section;
    const char* key;
    const char* def;
};
const Row kDocumentedKeys[] = {
    {"Data", "Name", nullptr}, {"Data", "Address1", nullptr}, {"Data", "Address2", nullptr},
    {"Data", "Address3", nullptr}, {"Data", "Tax ID", nullptr}, {"Data", "Branch", "000"},
    {"Font", "Font0", "MS Sans Serif"}, {"Font", "Width0", "0"}, {"Font", "Height0", "-10"},
    {"Font", "Font1", "EucrosiaUPC"}, {"Font", "Width1", "0"}, {"Font", "Height1", "-10"},
    {"Font", "Font2", "EucrosiaUPC"}, {"Font", "Width2", "0"}, {"Font", "Height2", "-10"},
    {"Font", "Font3", "EucrosiaUPC"}, {"Font", "Width3", "0"}, {"Font", "Height3", "-10"},
    {"Font", "Font4", "EucrosiaUPC"}, {"Font", "Width4", "8"}, {"Font", "Height4", "30"},
    {"Font", "Font5", "EucrosiaUPC"}, {"Font", "Width5", "16"}, {"Font", "Height5", "50"},
    {"Font", "Font6", "EucrosiaUPC"}, {"Font", "Width6", "24"}, {"Font", "Height6", "80"},
    {"Font", "Pen1", "1"}, {"Font", "Pen2", "3"}, {"Font", "Pen3", "6"}, {"Font", "Ratio", "1"},
    {"Path", "Table", ".\\"}, {"Path", "Exe", ".\\"}, {"Path", "BackUp", "A:\\"}, {"Path", "Work", ".\\WORK\\"},
    {"Comm", "Port#1", "09600,E,7,1,002,005,005"}, {"Comm", "Port#2", "09600,E,7,1,002,005,005"},
    {"Comm", "Port#3", "09600,E,7,1,002,005,005"}, {"Comm", "Port#4", "09600,E,7,1,002,005,005"},
    {"Comm", "Default", "1"}, {"Comm", "Modem", "COM2:9600,N,8,1"}, {"Comm", "Connect", "COM2:9600,N,8,1"},
    {"Comm", "I/O", "640"}, {"Comm", "Out#1", "002"}, {"Comm", "Out#2", "001"}, {"Comm", "Reset", "000"},
    {"Comm", "Mode", "130"}, {"Comm", "LPT", "111"}, {"Comm", "Feed", "5"}, {"Comm", "W.Read", "1"},
    {"Comm", "Minus", "0"}, {"Comm", "Stable", "3"}, {"Comm", "Timer", "300"}, {"Comm", "StatBit", "3"},
    {"Comm", "Zero", "0"}, {"Misc", "Sound", "Y"}, {"Misc", "PageL", "60"}, {"Misc", "Audit", "N"},
    {"Misc", "Printer", "Y"}, {"Misc", "Factor", "2.0"}, {"Misc", "Order", "0"}, {"Misc", "Track", "0"},
    {"Misc", "Fact", "0"}, {"Calc", "Decimal", "Y"}, {"Calc", "Payment", "1"},
};

// (section, key, value) of every key line of a file, in file order.
std::vector<std::array<std::string, 3>> keyLines(const std::string& bytes)
{
    std::vector<std::array<std::string, 3>> out;
    std::string section;
    for (std::string line : testsupport::lines(bytes)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[')
            section = line.substr(1, line.find(']') - 1);
        else if (auto eq = line.find('='); eq != std::string::npos)
            out.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
    }
    return out;
}

}  // namespace

// The first start writes every documented key with its default; the ratio, factor, stability and
// fonts are corrected in memory.
TEST(StartUp, FirstStartWritesTheDefaultsAndOddValuesAreCorrected)
{
    testsupport::TempDir dir;
    core::Settings s;
    shell::startUp(s, dir.file("new.ini"));
    const auto lines = keyLines(readFile(dir.file("new.ini")));
    ASSERT_EQ(lines.size(), std::size(kDocumentedKeys));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Row& r = kDocumentedKeys[i];
        EXPECT_EQ(lines[i][0] + " " + lines[i][1], std::string(r.section) + " " + r.key) << i;
        if (r.def)
            EXPECT_EQ(lines[i][2], r.def) << r.key;
        else
            EXPECT_FALSE(lines[i][2].empty()) << r.key;  // the placeholder company
    }
    // The file keeps the defaults; the corrections live in memory only.
    EXPECT_EQ(s.text("CHEIGHT1"), "-16");
    EXPECT_EQ(s.text("CDRV1"), ".\\");
    EXPECT_EQ(s.text("CUSER"), "");
    // The program's own keys are not written until someone sets them.
    EXPECT_FALSE(core::IniFile(dir.file("new.ini")).get("Comm", "Device#1").has_value());
    EXPECT_EQ(s.text("CCDEV1"), "/dev/ttyS0");

    struct Case {
        const char* content;
        const char* variable;
        const char* expected;
    };
    const Case cases[] = {
        {"[Font]\r\nRatio=5\r\n", "NFONTRATIO", "2"},
        {"[Font]\r\nRatio=-1.5\r\n", "NFONTRATIO", "1.5"},
        {"[Font]\r\nRatio=abc\r\n", "NFONTRATIO", "1"},
        {"[Misc]\r\nFactor=0.5\r\n", "CPRNFAC", "1"},
        {"[Comm]\r\nStable=1\r\n", "CSTABLE", "2"},
        {"[Comm]\r\nStable=4\r\n", "CSTABLE", "4"},
        {"[Font]\r\nHeight1=-10\r\n", "CHEIGHT1", "-16"},
        {"[Font]\r\nHeight4=-29\r\n", "CHEIGHT4", "-30"},
    };
    for (const Case& c : cases) {
        writeFile(dir.file("site.ini"), c.content);
        core::Settings corrected;
        shell::startUp(corrected, dir.file("site.ini"));
        EXPECT_EQ(corrected.get(c.variable).toDisplayText(), c.expected) << c.content;
    }
}

TEST(SettingsCommand, PrintsEveryVariableAfterStartUp)
{
    testsupport::TempDir dir;
    // An option it does not know is refused, not taken for a configuration file to create.
    const auto bogus = testsupport::runProcess(MERVO_BINARY_DIR "/app/mervo-admin", {"settings", "--bogus"}, dir.path());
    EXPECT_EQ(bogus.exitCode, 2);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    const auto r = testsupport::runProcess(MERVO_BINARY_DIR "/app/mervo-admin", {"settings"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Without an argument the program uses MERVO.INI in the current folder.
    EXPECT_EQ(keyLines(readFile(dir.file("MERVO.INI"))).size(), 65u);
    EXPECT_EQ(testsupport::lines(r.out).size(), 65u);
}
