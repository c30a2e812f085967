// mervo-admin eval, as other tools call it.
#include <gtest/gtest.h>

#include "support/run_process.h"

namespace {

testsupport::ProcessResult eval(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"eval"};
    all.insert(all.end(), args.begin(), args.end());
    return testsupport::runProcess(MERVO_BINARY_DIR "/app/mervo-admin", all);
}

TEST(AdminEval, PrintsTheTypeLetterATabAndTheValue)
{
    struct Case {
        std::vector<std::string> args;
        const char* out;
    };
    const Case cases[] = {
        {{"DTOS(DAYIN)+TMIN+TICKET", "--var", "DAYIN=05/12/2026", "--var", "TMIN=\"08:15:00\"", "--var",
          "TICKET='000123'"},
         "C\t2026120508:15:00000123\n"},
        {{"cName + '|'", "--var", "cName=\"ข้าว  \""}, "C\tข้าว  |\n"},  // trailing blanks kept, UTF-8
        {{"x * 2", "--var", "x=123.45"}, "N\t246.90\n"},
        {{"-(1+2)", "--var", "x=1"}, "N\t-3\n"},  // looks like an option, is the expression
        {{"DATE() + 1", "--date", "31/12/2026"}, "D\t01/01/2027\n"},
        {{"XROUND(0.125, 2)", "--var", "CDECCOR=\"N\""}, "N\t0.12\n"},
    };
    for (const Case& c : cases) {
        const auto r = eval(c.args);
        EXPECT_EQ(r.exitCode, 0) << c.args[0] << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[0];
    }
}

// Syntax errors and faults go to stderr with exit code 1, bad arguments exit with 2.
TEST(AdminEval, FailuresGoToStderr)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1 +", "expected an operand at the end of the text at column 4\n1 +\n   ^\n"},
        {"1 + 'a'", "Error BASE/1081  Argument error: +\n"},
        {"NOSUCH", "Error BASE/1003  Variable does not exist: NOSUCH\n"},
    };
    for (const auto& [text, err] : cases) {
        const auto r = eval({text});
        EXPECT_EQ(r.exitCode, 1) << text;
        EXPECT_EQ(r.out, "") << text;
        EXPECT_EQ(r.err, std::string("mervo-admin eval: ") + err);
    }

    const std::vector<std::vector<std::string>> bad = {
        {}, {"x", "--var"}, {"x", "--var", "1x=2"}, {"x", "--var", "x=abc"}, {"x", "--var", "x=31/02/2026"},
        {"x", "--date", "2026-12-05"}, {"x", "--verbose"},
    };
    for (const auto& args : bad)
        EXPECT_EQ(eval(args).exitCode, 2) << (args.empty() ? "" : args.back());
}

}  // namespace
