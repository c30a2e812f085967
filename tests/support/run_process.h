// Runs a program of the build (mervo-admin, mervo-scale-sim ...) as a child process and collects
// what it printed, for tests of the command-line tools.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args` in `workdir` (the current folder when empty); stdin is empty.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workdir = {});

}  // namespace testsupport
