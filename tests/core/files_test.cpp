// Configuration files and the names of files on a case-sensitive disk.
#include <filesystem>
#include <gtest/gtest.h>

#include "core/ini_file.h"
#include "core/paths.h"
#include "support/temp_dir.h"

using core::IniFile;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

class Files : public ::testing::Test {
protected:
    testsupport::TempDir dir;
};

// Sections and keys match without case and values are trimmed; a new file keeps Thai bytes and long
// values; a folder that cannot be written is reported.
TEST_F(Files, IniReadsCreatesAndReports)
{
    writeFile(dir.file("a.ini"), "; site settings\r\n[Comm]\r\n  PORT#1 =  19200,N,8,1 \r\nW.Read=\r\n"
                                 "[Data]\r\nName=\"Quoted\"\r\n[comm]\r\nport#1=second section ignored\r\n");
    IniFile ini(dir.file("a.ini"));
    EXPECT_EQ(ini.get("comm", "Port#1"), "19200,N,8,1");
    EXPECT_EQ(ini.get("Comm", "w.read"), "");  // present and empty is not absent
    EXPECT_EQ(ini.get("Data", "Name"), "Quoted");
    EXPECT_FALSE(ini.get("Comm", "Stable").has_value());
    EXPECT_FALSE(ini.get("Misc", "Sound").has_value());
    EXPECT_FALSE(IniFile(dir.file("missing.ini")).get("Comm", "Port#1").has_value());

    IniFile created(dir.file("new.ini"));
    EXPECT_FALSE(created.exists());
    const std::string thai = "\xBA\xC3\xD4\xC9\xD1\xB7 \xA1\xD2\xC3\xA4\xE9\xD2";
    ASSERT_TRUE(created.set("Data", "Name", thai));
    EXPECT_TRUE(created.exists());
    EXPECT_EQ(readFile(dir.file("new.ini")), "[Data]\r\nName=" + thai + "\r\n");
    EXPECT_EQ(created.get("data", "name"), thai);
    ASSERT_TRUE(created.set("Data", "Long", std::string(2000, 'x')));
    EXPECT_EQ(created.get("Data", "Long")->size(), IniFile::kMaxValue);

    IniFile nowhere("/nonexistent-folder/x.ini");
    EXPECT_FALSE(nowhere.set("Data", "Name", "x"));
    EXPECT_FALSE(nowhere.error().empty());
}

TEST_F(Files, IniWritingChangesOnlyTheOneLineAndKeepsLineEnds)
{
    writeFile(dir.file("a.ini"),
              "; comment kept\r\n[Comm]\r\nPort#1=a\r\nUnknown Key=kept\r\n\r\n[Misc]\r\nSound=Y\r\n");
    IniFile ini(dir.file("a.ini"));
    ASSERT_TRUE(ini.set("COMM", "port#1", "b"));
    EXPECT_EQ(readFile(dir.file("a.ini")),
              "; comment kept\r\n[Comm]\r\nport#1=b\r\nUnknown Key=kept\r\n\r\n[Misc]\r\nSound=Y\r\n");
    ASSERT_TRUE(ini.set("Comm", "Default", "1"));  // a new key goes after the section's last line
    ASSERT_TRUE(ini.set("Calc", "Decimal", "Y"));  // a new section goes at the end
    EXPECT_EQ(readFile(dir.file("a.ini")),
              "; comment kept\r\n[Comm]\r\nport#1=b\r\nUnknown Key=kept\r\nDefault=1\r\n\r\n[Misc]\r\nSound=Y\r\n"
              "[Calc]\r\nDecimal=Y\r\n");

    writeFile(dir.file("lf.ini"), "[Data]\nName = Same\nBranch=000");
    IniFile lf(dir.file("lf.ini"));
    ASSERT_TRUE(lf.set("Data", "Name", "Same"));  // equal value: line untouched
    ASSERT_TRUE(lf.set("Data", "Tax ID", "123"));
    EXPECT_EQ(readFile(dir.file("lf.ini")), "[Data]\nName = Same\nBranch=000\nTax ID=123\n");
}

TEST_F(Files, PathsTakeBackslashesAndResolveWithoutRegardToCase)
{
    EXPECT_EQ(core::paths::native(".\\WORK\\"), "./WORK/");
    EXPECT_EQ(core::paths::native("./data/"), "./data/");
    std::filesystem::create_directories(dir.file("Library"));
    writeFile(dir.file("Library/Main.bmp"), "x");
    EXPECT_EQ(core::paths::resolve(dir.path() + "\\LIBRARY\\MAIN.BMP"), dir.file("Library/Main.bmp"));
    EXPECT_EQ(core::paths::join(dir.path() + "/library\\", "main.BMP"), dir.file("Library/Main.bmp"));
    // A file that does not exist yet lands in the existing folder.
    EXPECT_EQ(core::paths::resolve(dir.path() + "/LIBRARY/new.txt"), dir.file("Library/new.txt"));
}

}  // namespace
