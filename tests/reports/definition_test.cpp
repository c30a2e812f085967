// Report definitions: the settings lines, the print lines' fixed columns, the file split into lines
// of the work table's width, and files that are no definitions.
#include <gtest/gtest.h>

#include <tuple>

#include "core/tis620.h"
#include "reports/definition.h"
#include "support/temp_dir.h"

namespace {

using core::tis620::T;
using reports::Command;
using reports::Option;

TEST(Definition, PrintLineColumns)
{
    struct Case {
        const char* line;
        char section;
        Command command;
        Option option;
        core::PrintAlign align;
        int digit;  // font or pen
        double a, b, c;
        const char* expression;
    };
    const Case cases[] = {
        {"D,LF,SAYR1,00100,NAME", 'D', Command::LF, Option::Text, core::PrintAlign::Left, 1, 1, 0, 0, "NAME"},
        {"h,nf,sayl2,00500,\"x\"  ", 'H', Command::NF, Option::Text, core::PrintAlign::Right, 2, 5, 0, 0, "\"x\""},
        {"T;NF;SAYC3;00413;CREPNAME", 'T', Command::NF, Option::Text, core::PrintAlign::Centre, 3, 4.13, 0, 0, "CREPNAME"},
        {"G,LO,SAYR1,00250,00300,TRIM(NAME)", 'G', Command::LO, Option::Text, core::PrintAlign::Left, 1, 2.5, 3, 0,
         "TRIM(NAME)"},
        {"S,LH,LINE3,00040,00790", 'S', Command::LH, Option::Rule, core::PrintAlign::Left, 3, 0.4, 7.9, 0, ""},
        {"F,LX,LINE2,00100,00500,01200", 'F', Command::LX, Option::Rule, core::PrintAlign::Left, 2, 1, 5, 12, ""},
        {"E,SM,     ,03100,AMOUNT", 'E', Command::SM, Option::None, core::PrintAlign::Left, 1, 31, 0, 0, "AMOUNT"},
        {"D,NH", 'D', Command::NH, Option::None, core::PrintAlign::Left, 1, 0, 0, 0, ""},
        // An option that is none of those listed, a command that is none.
        {"D,LF,SAYX1,00100,NAME", 'D', Command::LF, Option::None, core::PrintAlign::Left, 1, 1, 0, 0, "NAME"},
        {"D,LF,SAYR4,00100,NAME", 'D', Command::LF, Option::None, core::PrintAlign::Left, 1, 1, 0, 0, "NAME"},
        {"D,ZZ,SAYR1,00100,NAME", 'D', Command::None, Option::Text, core::PrintAlign::Left, 1, 1, 0, 0, ""},
        // Numbers read as VAL reads them: blanks and text give 0, a point is a point.
        {"D,LH,LINE1,  1.5,abcde", 'D', Command::LH, Option::Rule, core::PrintAlign::Left, 1, 0.015, 0, 0, ""},
        // Thai texts pass as their bytes.
        {"H,LF,SAYC3,00413,\"รายงานการชั่ง\"", 'H', Command::LF, Option::Text, core::PrintAlign::Centre, 3, 4.13, 0, 0,
         "\"รายงานการชั่ง\""},
    };
    for (const Case& c : cases) {
        const reports::PrintLine p = reports::parsePrintLine(T(c.line), 7);
        SCOPED_TRACE(c.line);
        // The numbers are whole hundredths divided by 100: compared exactly.
        EXPECT_EQ(std::tuple(p.number, p.section, p.command, p.option, p.align, p.option == Option::Rule ? p.pen : p.font,
                             p.a, p.b, p.c, p.expression),
                  std::tuple(7, c.section, c.command, c.option, c.align, c.digit, c.a, c.b, c.c, T(c.expression)));
    }
    // Lines of other sections are never run.
    for (const char* line : {"I,FILES,WDATA1", "* a comment", "X,LF,SAYR1,00100,NAME", "", " D,LF"})
        EXPECT_EQ(reports::parsePrintLine(line, 1).section, 0) << line;
}

TEST(Definition, SettingsLastRepeatCountsAndAreUpperCased)
{
    const reports::Definition d = reports::parseDefinition({
        "i,files,wdata1",
        "I,FORMS 6",
        "I,INDEX,  dtos(dayin)+tmin  ",
        "I,GROUP,DTOS(DAYIN)",
        "I,GROUP,company",
        "I,BLOCK,company+product",
        "I,CONDI,stat=\"2\"",
        "I,LEFTM,00050",
        "D,LF,SAYR1,00100,NAME",
        "I,LEFTMX",  // a setting name must be followed by its separator: this one has no value
    });
    const reports::DefinitionSettings& s = d.settings;
    EXPECT_EQ((std::vector<std::string>{s.CFILE, s.CFORM, s.CINDEX, s.CFGROUP, s.CFBLOCK, s.CFCOND}),
              (std::vector<std::string>{"WDATA1", "6", "DTOS(DAYIN)+TMIN", "COMPANY", "COMPANY+PRODUCT",
                                        "STAT=\"2\""}));
    EXPECT_DOUBLE_EQ(s.COFFSET, 0);  // the last I,LEFTM has no value
    EXPECT_TRUE(s.missing().empty());
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0].number, 9);

    EXPECT_DOUBLE_EQ(reports::parseDefinition({"I,LEFTM,50"}).settings.COFFSET, 0.5);
    // Without I,GROUP the group is missing, even for a report that would not group.
    const auto missing = reports::parseDefinition({"I,FILES,X", "I,FORMS,1", "I,INDEX,CODE", "I,BLOCK,\"1\""})
                             .settings.missing();
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_STREQ(missing[0], "CFGROUP");
}

TEST(Definition, FileSplitsIntoLinesOfTheWorkTablesWidth)
{
    const std::string longLine(250, 'x');
    EXPECT_EQ(reports::splitDefinition("a\r\nb\n\n" + longLine + "\r\nlast"),
              (std::vector<std::string>{"a", "b", "", longLine.substr(0, reports::kDefinitionLineLength), "last"}));
    EXPECT_TRUE(reports::splitDefinition("").empty());
}

TEST(Definition, FilesThatAreNoDefinitionsAreRefused)
{
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("nul.txt"), std::string("D,LF\0x", 6));
    testsupport::writeFile(dir.file("big.txt"), std::string(reports::kMaxDefinitionBytes + 1, 'x'));
    for (const auto& [file, said] :
         {std::pair{"none.txt", "cannot be read"}, {"nul.txt", "NUL"}, {"big.txt", "larger than"}}) {
        std::string bytes, error;
        EXPECT_FALSE(reports::readDefinitionFile(dir.file(file), &bytes, &error)) << file;
        EXPECT_NE(error.find(said), std::string::npos) << error;
    }
    std::string bytes, error;
    testsupport::writeFile(dir.file("ok.txt"), "I,FILES,X\r\n");
    EXPECT_TRUE(reports::readDefinitionFile(dir.file("ok.txt"), &bytes, &error));
    EXPECT_EQ(bytes, "I,FILES,X\r\n");
}

}  // namespace
