// Cold start of the program: from starting the process to the login dialog painted on the screen
// (MERVO_EXIT_AT_LOGIN makes mervo say so and end), on a demo site made once by
// `mervo-admin init --demo`. The baseline is a minimal Qt Widgets program showing one dialog,
// started the same way in the same run. Offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kBin = MERVO_BINARY_DIR;

// Starts the program in `dir` and returns the seconds until it printed its first line.
double timeToFirstLine(const std::string& program, const std::vector<std::string>& args, const std::string& dir)
{
    int out[2];
    if (::pipe(out) != 0)
        return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        if (!dir.empty() && ::chdir(dir.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') {
    }
    const auto end = std::chrono::steady_clock::now();
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return std::chrono::duration<double>(end - start).count();
}

struct Environment {
    Environment()
    {
        if (!std::getenv("QT_QPA_PLATFORM"))
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!std::getenv("XDG_RUNTIME_DIR")) {
            const std::string runtime = std::filesystem::temp_directory_path().string() + "/mervo-bench-runtime";
            std::filesystem::create_directories(runtime);
            std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
        ::setenv("MERVO_EXIT_AT_LOGIN", "1", 1);
        site = std::filesystem::temp_directory_path().string() + "/mervo-bench-site-" + std::to_string(::getpid());
        const std::string init = kBin + "/app/mervo-admin init " + site + " --demo >/dev/null";
        if (std::system(init.c_str()) != 0)
            site.clear();
    }
    ~Environment()
    {
        if (!site.empty())
            std::filesystem::remove_all(site);
    }
    std::string site;
};

Environment& environment()
{
    static Environment e;
    return e;
}

void run(benchmark::State& state, const std::string& program, const std::vector<std::string>& args,
         const std::string& dir)
{
    for (auto _ : state) {
        const double s = timeToFirstLine(program, args, dir);
        if (s < 0) {
            state.SkipWithError("could not start the program");
            return;
        }
        state.SetIterationTime(s);
    }
}

void BM_coldStartToLogin(benchmark::State& state)
{
    if (environment().site.empty()) {
        state.SkipWithError("mervo-admin init --demo failed");
        return;
    }
    run(state, kBin + "/app/mervo", {"MERVO.INI"}, environment().site);
}

void BM_qtDialogBaseline(benchmark::State& state)
{
    environment();
    run(state, kBin + "/bench/qt_dialog_baseline", {}, {});
}

}  // namespace

BENCHMARK(BM_qtDialogBaseline)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_coldStartToLogin)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
