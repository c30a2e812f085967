#include "core/printer_choice.h"

#include <gtest/gtest.h>

#include "support/seams.h"

namespace {

TEST(PrinterChoice, ExactNameThenContainedThenNone)
{
    struct Case {
        const char* wanted;
        std::vector<std::string> installed;
        std::optional<std::string> found;
    } cases[] = {
        {"Ticket", {"Laser", "TICKET", "Ticket-2"}, "TICKET"},
        {"Ticket", {"Laser", "EPSON ticket LQ", "ticket2"}, "EPSON ticket LQ"},
        {"Report", {"Report Room", "report"}, "report"},
        {"Report", {"Laser", "Ticket"}, std::nullopt},
        {"Ticket", {}, std::nullopt},
        {"", {"Laser"}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::findPrinter(c.wanted, c.installed), c.found) << c.wanted;
}

class ScriptedPrinters final : public core::Printers {
public:
    std::vector<std::string> installed() override { return list; }
    std::optional<std::string> choose(const std::string& title) override
    {
        titles.push_back(title);
        return answer;
    }
    std::vector<std::string> list;
    std::optional<std::string> answer;
    std::vector<std::string> titles;
};

TEST(PrinterChoice, WithoutAMatchThePersonChoosesEachTimeAfterABeep)
{
    testsupport::RecordingSound sound;
    ScriptedPrinters printers;
    printers.list = {"Laser"};
    printers.answer = "Laser";
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), "Laser");
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), "Laser");
    EXPECT_EQ(printers.titles.size(), 2u);
    EXPECT_EQ(sound.tones.size(), 2u);
    printers.answer.reset();
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), std::nullopt) << "cancelled";

    printers.list = {"Ticket"};
    EXPECT_EQ(core::choosePrinter(printers, "Ticket", "doc"), "Ticket");
    EXPECT_EQ(printers.titles.size(), 3u) << "no question when the rule finds one";
}

}  // namespace
