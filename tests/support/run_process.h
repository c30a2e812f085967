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

// The lines of a program's output, without their line ends.
std::vector<std::string> lines(const std::string& text);

// A program of the build left running in the background (the indicator simulator, say): its
// standard output can be read line by line while it runs. Stopped with SIGTERM when destroyed.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of its standard output without the line end; "" when none came within timeoutMs.
    std::string readLine(int timeoutMs);

private:
    int m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
};

}  // namespace testsupport
