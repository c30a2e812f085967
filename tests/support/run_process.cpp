#include "support/run_process.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Forks a child that runs the program with stdin empty, stdout on `out` and stderr on `err` (left
// alone when -1), in `workdir` when given. Returns the child's pid (-1 when fork failed).
pid_t spawn(const std::string& program, const std::vector<std::string>& args, int out, int err,
            const std::string& workdir = {})
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::dup2(out, 1);
    if (err >= 0)
        ::dup2(err, 2);
    ::dup2(::open("/dev/null", O_RDONLY), 0);
    if (!workdir.empty() && ::chdir(workdir.c_str()) != 0)
        ::_exit(127);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

// Waits for the child to end; its exit code, 128 + the signal when killed.
int reap(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workdir)
{
    ProcessResult r;
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return r;
    const pid_t pid = spawn(program, args, outPipe[1], errPipe[1], workdir);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buf[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? r.out : r.err).append(buf, std::size_t(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    r.exitCode = reap(pid);
    return r;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    int outPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return;
    m_pid = spawn(program, args, outPipe[1], -1);
    ::close(outPipe[1]);
    m_out = outPipe[0];
}

ChildProcess::~ChildProcess()
{
    if (m_out >= 0)
        ::close(m_out);
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        (void)reap(m_pid);
    }
}

std::string ChildProcess::readLine(int timeoutMs)
{
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        const auto nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return line;
        }
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsed = long(now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (m_out < 0 || elapsed >= timeoutMs)
            return {};
        pollfd fd{m_out, POLLIN, 0};
        if (::poll(&fd, 1, int(timeoutMs - elapsed)) <= 0)
            continue;
        char buf[512];
        const ssize_t n = ::read(m_out, buf, sizeof buf);
        if (n <= 0) {
            ::close(m_out);
            m_out = -1;
        } else {
            m_buffer.append(buf, std::size_t(n));
        }
    }
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto nl = text.find('\n', start);
        out.push_back(text.substr(start, nl - start));
        start = nl == std::string::npos ? text.size() : nl + 1;
    }
    return out;
}

}  // namespace testsupport
