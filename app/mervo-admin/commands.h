// The commands of mervo-admin. Each takes the arguments after its name and returns the process
// exit code; output for people and other tools goes to stdout in UTF-8, problems to stderr.
#pragma once

#include <string>
#include <vector>

namespace admin {

using Args = std::vector<std::string>;

int cmdSettings(const Args& args);
int cmdEval(const Args& args);
int cmdWeigh(const Args& args);
int cmdDump(const Args& args);
int cmdCheck(const Args& args);
int cmdInit(const Args& args);
int cmdLoad(const Args& args);
int cmdConsec(const Args& args);
int cmdConfig(const Args& args);
int cmdPrint(const Args& args);
int cmdReindex(const Args& args);
int cmdBackup(const Args& args);
int cmdPurge(const Args& args);
int cmdRestore(const Args& args);
int cmdVerifyLedgers(const Args& args);
int cmdVerifyEvidence(const Args& args);
int cmdReport(const Args& args);

}  // namespace admin
