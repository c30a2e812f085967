#include "errors/error_trap.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "core/identity.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace {

class ScriptedDialog final : public errors::ErrorDialog {
public:
    Choice choose(const std::string& description, const std::vector<std::string>&, bool canRetry,
                  bool canDefault) override
    {
        shown.push_back({description, canRetry, canDefault});
        if (onChoose)
            onChoose();
        return answer;
    }
    void stop(const std::string& text) override { stops.push_back(text); }

    struct Shown {
        std::string description;
        bool canRetry, canDefault;
    };
    std::vector<Shown> shown;
    std::vector<std::string> stops;
    Choice answer = Choice::Default;
    std::function<void()> onChoose;
};

struct TrapFixture : ::testing::Test {
    TrapFixture()
        : trap(dialog, errors::Environment{{}, {}, "test", [this] { return loopRunning; },
                                           [this](int code) { exitCodes.push_back(code); }})
    {
        trap.setLogPath(dir.file("Error.log"));
    }

    static core::Fault fault(int gen, bool retry, bool def, std::string description = "Argument error")
    {
        core::Fault f;
        f.genCode = gen;
        f.subsystem = "BASE";
        f.subCode = 1081;
        f.description = std::move(description);
        f.operation = "+";
        f.args = {core::Value::text("A"), core::Value::number(1)};
        f.canRetry = retry;
        f.canDefault = def;
        return f;
    }

    testsupport::TempDir dir;
    ScriptedDialog dialog;
    bool loopRunning = true;
    std::vector<int> exitCodes;
    errors::ErrorTrap trap;
};

}  // namespace

TEST_F(TrapFixture, QuietFaultsNeverReachTheDialogAndAnIoErrorIsShown)
{
    EXPECT_EQ(core::raise(fault(core::EG_ZERODIV, false, true)), core::FaultAnswer::Default);
    EXPECT_EQ(core::raise(fault(core::EG_APPENDLOCK, true, true)), core::FaultAnswer::Default);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_FALSE(testsupport::readFile(dir.file("Error.log")).size());
    // An open refused by another workstation is quiet: the numbers a file system gives for a held
    // file, and the ones that only share their numbers with another system's sharing violation (32)
    // and access denied (5) are shown.
    const struct {
        int osCode;
        bool quiet;
    } cases[] = {{EACCES, true}, {EAGAIN, true}, {EWOULDBLOCK, true}, {EPIPE, false}, {EIO, false}, {0, false}};
    for (const auto& c : cases) {
        dialog.shown.clear();
        trap.clearNetErr();
        core::Fault open = fault(core::EG_OPEN, true, true);
        open.osCode = c.osCode;
        EXPECT_EQ(core::raise(open), core::FaultAnswer::Default);
        EXPECT_EQ(dialog.shown.empty(), c.quiet) << c.osCode;
        EXPECT_EQ(trap.netErr(), c.quiet) << c.osCode;
    }
}

TEST_F(TrapFixture, AFaultWithNeitherRetryNorDefaultOffersOnlyQuitAndEnds)
{
    dialog.answer = ScriptedDialog::Choice::Default;  // not allowed: counts as quit
    core::raise(fault(core::EG_ARG, false, false));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_FALSE(dialog.shown[0].canRetry);
    EXPECT_FALSE(dialog.shown[0].canDefault);
    EXPECT_EQ(dialog.shown[0].description, "Error BASE/1081  Argument error: +");
    EXPECT_EQ(exitCodes, std::vector<int>{1});
}

TEST_F(TrapFixture, LogHasTheSectionsInOrderAndEachFaultReplacesIt)
{
    core::raise(fault(core::EG_ARG, false, true, "first fault"));
    const std::string first = testsupport::readFile(dir.file("Error.log"));
    std::size_t at = 0;
    for (const char* heading : {"Application\r\n===========", "Stack Calls\r\n===========", "System\r\n======",
                                "Variables in use\r\n================", "Linked RDDs\r\n===========",
                                "DataBases in use\r\n================", "Classes in use:\r\n===============",
                                "Memory Analysis\r\n==============="}) {
        const auto pos = first.find(heading, at);
        ASSERT_NE(pos, std::string::npos) << heading;
        at = pos;
    }
    EXPECT_NE(first.find("   Error description: Error BASE/1081  first fault: +\r\n"), std::string::npos);
    EXPECT_NE(first.find("     [   1] = C   A\r\n"), std::string::npos);

    core::raise(fault(core::EG_ARG, false, true, "second fault"));
    const std::string second = testsupport::readFile(dir.file("Error.log"));
    EXPECT_EQ(second.find("first fault"), std::string::npos);
    EXPECT_NE(second.find("second fault"), std::string::npos);
    EXPECT_EQ(dialog.shown.size(), 2u);  // the whole trap is back after a default
}

TEST_F(TrapFixture, LogNamesTheProgramsIdentityWhenOneIsInstalled)
{
    core::raise(fault(core::EG_ARG, false, true, "without"));
    EXPECT_EQ(testsupport::readFile(dir.file("Error.log")).find("   Program: "), std::string::npos);

    core::setIdentitySource([] { return std::string("mervo 9.9 sha256 0123abcd"); });
    core::raise(fault(core::EG_ARG, false, true, "with"));
    core::setIdentitySource(nullptr);
    const std::string log = testsupport::readFile(dir.file("Error.log"));
    const auto program = log.find("   Program: mervo 9.9 sha256 0123abcd\r\n");
    ASSERT_NE(program, std::string::npos) << log;
    EXPECT_LT(program, log.find("Stack Calls")) << "in the application's section";
}

TEST_F(TrapFixture, RetryNeedsARunningMainLoop)
{
    dialog.answer = ScriptedDialog::Choice::Retry;
    EXPECT_EQ(core::raise(fault(core::EG_OPEN, true, true)), core::FaultAnswer::Retry);
    EXPECT_TRUE(exitCodes.empty());
    loopRunning = false;
    core::raise(fault(core::EG_OPEN, true, true));
    EXPECT_EQ(exitCodes, std::vector<int>{1});
}

TEST_F(TrapFixture, AFaultInsideTheTrapStopsTheProgram)
{
    dialog.onChoose = [] { core::raise(TrapFixture::fault(core::EG_ARG, false, true, "nested")); };
    core::raise(fault(core::EG_ARG, false, true));
    ASSERT_EQ(dialog.stops.size(), 1u);
    EXPECT_EQ(dialog.stops[0], "Error BASE/1081  nested: + from Errorsys, line:  0");
    EXPECT_EQ(exitCodes.front(), 1);
}

TEST(ErrorTrapValues, VariableTexts)
{
    EXPECT_EQ(errors::CGETINFO(core::Value::text("abc")), "\"abc\"");
    EXPECT_EQ(errors::CGETINFO(core::Value::number(12.5, 2)), "12.50");
    EXPECT_EQ(errors::CGETINFO(core::Value::array(3)), "Len:    3");
    EXPECT_EQ(errors::CGETINFO(core::Value::logical(true)), ".T.");
}
