// Template lines in their fixed columns, and the demo site's templates: every form name is there,
// every line fits the 200 columns a line is read to, every expression compiles.
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "expr/expr.h"
#include "site/demo_templates.h"
#include "weighing/print_template.h"

namespace {

using weighing::TemplateCommand;
using Align = core::PrintAlign;

TEST(PrintTemplateTest, LinesAreReadInFixedColumns)
{
    struct Case {
        const char* line;
        char section;
        TemplateCommand command;
        Align align;
        int font, sum;
        double n1, n2, n3, n4;
        const char* text;
    };
    const Case cases[] = {
        {"S SAYL3  12.5    30 a", 'S', TemplateCommand::Text, Align::Right, 6, 0, 12.5, 30, 0, 0, "a"},
        {"H LINE4    10    20    30    40", 'H', TemplateCommand::None, Align::Left, 6, 0, 10, 20, 30, 40, ""},
        {"H IMAGE    10    20    30    40 library\\logo.bmp  ", 'H', TemplateCommand::Image, Align::Left, 6, 0, 10,
         20, 30, 40, "library\\logo.bmp"},
        {"D SUM40             x", 'D', TemplateCommand::Sum, Align::Left, 6, 40, 0, 0, 0, 0, "x"},
        {"D SUM41             x", 'D', TemplateCommand::None, Align::Left, 6, 0, 0, 0, 0, 0, ""},
        {"D SUM1              x", 'D', TemplateCommand::None, Align::Left, 6, 0, 0, 0, 0, 0, ""},
        {"D SUM00             x", 'D', TemplateCommand::None, Align::Left, 6, 0, 0, 0, 0, 0, ""},
        {"* a comment", '*', TemplateCommand::None, Align::Left, 6, 0, 0, 0, 0, 0, ""},
        {"", 0, TemplateCommand::None, Align::Left, 6, 0, 0, 0, 0, 0, ""},
        {"H", 'H', TemplateCommand::None, Align::Left, 6, 0, 0, 0, 0, 0, ""},
        {"H SAYR1   abc   -5", 'H', TemplateCommand::Text, Align::Left, 4, 0, 0, -5, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const weighing::TemplateLine t = weighing::parseTemplateLine(c.line, 7);
        EXPECT_EQ(t.number, 7);
        EXPECT_EQ(t.section, c.section);
        EXPECT_EQ(t.command, c.command);
        if (c.command == TemplateCommand::Text) {
            EXPECT_EQ(t.align, c.align);
            EXPECT_EQ(t.font, c.font);
        }
        EXPECT_EQ(t.sum, c.sum);
        EXPECT_DOUBLE_EQ(t.n1, c.n1);
        EXPECT_DOUBLE_EQ(t.n2, c.n2);
        EXPECT_DOUBLE_EQ(t.n3, c.n3);
        EXPECT_DOUBLE_EQ(t.n4, c.n4);
        EXPECT_EQ(t.text, c.text);
    }
}

TEST(PrintTemplateTest, LinesEndAtTwoHundredColumns)
{
    const std::string longLine = "H SAYR1    10    10 \"" + std::string(300, 'x') + "\"";
    const auto lines = weighing::splitTemplate("a\r\n\r\nb\n" + longLine + "\nlast");
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "", "b", longLine.substr(0, 200), "last"}));
    EXPECT_EQ(weighing::parseTemplateLine(longLine, 1).text.size(), 180u);
}

TEST(DemoTemplatesTest, EveryFormHasAWorkingTemplate)
{
    const auto forms = site::printFormNames();
    EXPECT_EQ(forms.size(), 25u);
    for (const std::string& form : forms) {
        SCOPED_TRACE(form);
        const std::string bytes = site::demoTemplate(form);
        ASSERT_FALSE(bytes.empty());
        // TIS-620 bytes: every Thai character is one byte, nothing undefined.
        EXPECT_EQ(core::tis620::fromUtf8(core::tis620::toUtf8(bytes)), bytes);
        EXPECT_EQ(core::tis620::toUtf8(bytes).find("\xEF\xBF\xBD"), std::string::npos);
        int number = 0, texts = 0;
        bool header = false, amountInWords = false;
        ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
            end = bytes.find("\r\n", start);
            const std::string line = bytes.substr(start, end - start);
            ++number;
            // Nothing of a line beyond column 200 is read.
            EXPECT_LE(line.size(), weighing::kTemplateLineLength) << "line " << number;
            const weighing::TemplateLine t = weighing::parseTemplateLine(line, number);
            header = header || t.section == 'H';
            if (t.command == TemplateCommand::Text || t.command == TemplateCommand::Sum) {
                ++texts;
                expr::CompileError error;
                EXPECT_TRUE(expr::Expression::compile(t.text, &error).valid())
                    << "line " << number << ": " << error.describe(t.text);
                amountInWords = amountInWords || t.text.find("BAHT(") != std::string::npos;
            }
        }
        EXPECT_TRUE(header);
        EXPECT_GT(texts, 10);
        const bool money = form[0] == 'M' || form.substr(0, 6) == "Ticket";
        if (money && form.back() != '1') {
            EXPECT_TRUE(amountInWords);
        }
    }
    EXPECT_TRUE(site::demoTemplate("Ticket61").empty());
    EXPECT_TRUE(site::demoTemplate("Money5").empty());
}

}  // namespace
