// Child: a forked process standing in for another workstation, with byte handshakes over two pipes. It
// _exit()s with its body's result, never returning into the test framework; killed and reaped when it goes.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace storagetest {

class Child {
public:
    explicit Child(const std::function<int(Child&)>& body)
    {
        int a[2], b[2];
        if (::pipe(a) != 0 || ::pipe(b) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(a[1]);
            ::close(b[0]);
            m_in = a[0];
            m_out = b[1];
            const int code = body(*this);
            ::_exit(code);
        }
        ::close(a[0]);
        ::close(b[1]);
        m_out = a[1];
        m_in = b[0];
    }
    ~Child()
    {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
        ::close(m_in);
        ::close(m_out);
    }
    void send(char c) { (void)!::write(m_out, &c, 1); }
    void sendWord(std::uint32_t v) { (void)!::write(m_out, &v, sizeof v); }
    std::uint32_t receiveWord()
    {
        std::uint32_t v = 0;
        return ::read(m_in, &v, sizeof v) == sizeof v ? v : ~0u;
    }
    char receive()
    {
        char c = 0;
        return ::read(m_in, &c, 1) == 1 ? c : '\0';
    }
    // Everything the child wrote until it ended, as 4-byte words.
    std::vector<std::uint32_t> words()
    {
        std::vector<std::uint32_t> out;
        for (std::uint32_t v; (v = receiveWord()) != ~0u;)
            out.push_back(v);
        return out;
    }
    // The child's side of startTogether(): ready, then false unless let go.
    bool readyThenGo()
    {
        send('r');
        return receive() == 'g';
    }
    void kill() { ::kill(m_pid, SIGKILL); }
    int wait()
    {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
    int m_in = -1, m_out = -1;
    bool m_reaped = false;
};

// Runs body(child, i) for i = 0..n-1 in n children at once; appends what each sent to *words when
// given, and returns their exit codes.
inline std::vector<int> runChildren(int n, const std::function<int(Child&, int)>& body,
                                    std::vector<std::uint32_t>* words = nullptr)
{
    std::vector<std::unique_ptr<Child>> children;
    for (int i = 0; i < n; ++i)
        children.push_back(std::make_unique<Child>([&body, i](Child& self) { return body(self, i); }));
    std::vector<int> codes;
    for (auto& c : children) {
        if (words) {
            const auto sent = c->words();
            words->insert(words->end(), sent.begin(), sent.end());
        }
        codes.push_back(c->wait());
    }
    return codes;
}

// How a workstation of a race to store the same key ended: its exit code.
enum SaveOutcome : int { kStored, kRefused, kBroken };

// Two workstations started together: each prepares, calls readyThenGo() and acts. Their exit codes, or
// {-1, -1} (a test failure, both killed) when one never got ready.
inline std::pair<int, int> startTogether(const std::function<int(Child&)>& first,
                                         const std::function<int(Child&)>& second)
{
    Child a(first), b(second);
    if (a.receive() != 'r' || b.receive() != 'r') {
        ADD_FAILURE() << "a workstation could not get ready";
        return {-1, -1};
    }
    a.send('g');
    b.send('g');
    const int ra = a.wait();
    return {ra, b.wait()};
}

}  // namespace storagetest
