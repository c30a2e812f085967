// mervo-scale-sim: a weighing indicator on a pseudo-terminal (or a serial device), sending
// continuous weight frames that follow a profile - a whole truck visit - so the program and the
// diagnostics command can be tried without a weighbridge.
//
// Exit codes: 0 the profile was played (or the program was stopped by SIGINT/SIGTERM), 1 the
// output could not be opened or written, 2 bad arguments or profile.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "scale/port_setting.h"
#include "scale/sim_formats.h"
#include "scale/sim_profile.h"

namespace {

constexpr const char* kDemoProfile = "0:3s ramp:15140:4s noise:30:2s 15140:8s ramp:0:3s 0:5s";

constexpr const char* kUsage = R"(usage: mervo-scale-sim [OPTIONS] [STEP...]

Sends continuous weight frames that follow the profile STEP... (read from standard input when no
step is given). With no --device, a pseudo-terminal is created and its path is printed on the
first line; point a COM port at it with the "Comm" "Device#n" key.

steps (blank-separated; "#" starts a comment in a profile file):
  WEIGHT:DUR          show WEIGHT kilograms (may be negative) for DUR
  ramp:WEIGHT:DUR     move evenly to WEIGHT over DUR
  hold:DUR            keep the current weight
  noise:AMP:DUR       the current weight plus or minus up to AMP
  silence:DUR         send nothing
  junk:DUR            send bytes that never form a frame
  DUR is like 2s, 500ms, 1.5s or 1m.

options:
  --device PATH       write to this serial device ("-" for standard output) instead of a new
                      pseudo-terminal
  --format NAME       indicator (default), toledo, ascii, ascii-nocomma, xk3190 or
                      xk3190-equals
  --setting TEXT      a "Port#n" value: line settings and the indicator frame
                      (default 09600,E,7,1,002,005,005)
  --status-pos N      indicator: position of the status byte in the frame (default 3)
  --sign-in-digits    indicator: negative weights as '-' in the weight field, not the status bit
  --eol crlf|cr|lf|none  indicator: bytes after each frame (default crlf)
  --rate N            frames per second, 0.1 to 1000 (default 10)
  --noise N           N random bytes before every frame
  --control-every N   a carriage return inside the weight of every N-th frame
  --checksum          toledo: append the checksum byte
  --decimals N        toledo, ascii, xk3190: show each weight with the point N places from
                      the right, 0 to 5 (15140 with 2 is 151.40)
  --unit U            ascii: kg (default), t, g or lb; toledo: kg or lb
  --seed N            seed of everything random (default 1)
  --loop              play the profile again and again
  --demo              play a built-in truck visit, again and again
  --fast              do not pace the frames (useful with --device -)
  --verbose           write each frame in hex to standard error
)";

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

struct Options {
    std::string device;
    scale::sim::Format format = scale::sim::Format::Indicator;
    scale::PortSetting setting;
    scale::sim::EncoderOptions encoder;
    double rate = 10;
    std::uint64_t seed = 1;
    bool loop = false;
    bool fast = false;
    bool verbose = false;
    std::string profileText;
    bool readStdin = false;  // "-" among the steps, or no steps at all
};

[[noreturn]] void usageError(const std::string& message)
{
    std::cerr << "mervo-scale-sim: " << message << "\n(see mervo-scale-sim --help)\n";
    std::exit(2);
}

long long wholeNumber(const std::string& text, const char* option, long long low, long long high)
{
    std::size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || v < low || v > high)
        usageError(std::string(option) + " takes a whole number from " + std::to_string(low) + " to " +
                   std::to_string(high) + ", not \"" + text + "\"");
    return v;
}

Options parseArguments(int argc, char** argv)
{
    Options o;
    std::vector<std::string> steps;
    auto value = [&](int& i) -> std::string {
        if (i + 1 >= argc)
            usageError(std::string(argv[i]) + " needs a value");
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (a == "--device") {
            o.device = value(i);
        } else if (a == "--format") {
            const std::string name = value(i);
            const auto f = scale::sim::formatNamed(name);
            if (!f)
                usageError("unknown format \"" + name +
                           "\" (indicator, toledo, ascii, ascii-nocomma, xk3190 or xk3190-equals)");
            o.format = *f;
        } else if (a == "--setting") {
            std::string why;
            const auto s = scale::parsePortSetting(value(i), &why);
            if (!s)
                usageError("--setting: " + why);
            o.setting = *s;
        } else if (a == "--status-pos") {
            o.encoder.statusPosition = int(wholeNumber(value(i), "--status-pos", 1, 999));
        } else if (a == "--sign-in-digits") {
            o.encoder.signInDigits = true;
        } else if (a == "--eol") {
            const std::string e = value(i);
            if (e == "crlf")
                o.encoder.eol = "\r\n";
            else if (e == "cr")
                o.encoder.eol = "\r";
            else if (e == "lf")
                o.encoder.eol = "\n";
            else if (e == "none")
                o.encoder.eol.clear();
            else
                usageError("--eol takes crlf, cr, lf or none");
        } else if (a == "--rate") {
            const std::string t = value(i);
            char* end = nullptr;
            o.rate = std::strtod(t.c_str(), &end);
            if (t.empty() || *end != '\0' || !(o.rate >= 0.1 && o.rate <= 1000))
                usageError("--rate takes frames per second from 0.1 to 1000, not \"" + t + "\"");
        } else if (a == "--noise") {
            o.encoder.noiseBytes = int(wholeNumber(value(i), "--noise", 0, 1000));
        } else if (a == "--control-every") {
            o.encoder.controlEvery = int(wholeNumber(value(i), "--control-every", 1, 1000000));
        } else if (a == "--checksum") {
            o.encoder.checksum = true;
        } else if (a == "--decimals") {
            o.encoder.decimals = int(wholeNumber(value(i), "--decimals", 0, 5));
        } else if (a == "--unit") {
            o.encoder.unit = value(i);
            if (o.encoder.unit != "kg" && o.encoder.unit != "t" && o.encoder.unit != "g" && o.encoder.unit != "lb")
                usageError("--unit takes kg, t, g or lb");
        } else if (a == "--seed") {
            o.seed = std::uint64_t(wholeNumber(value(i), "--seed", 0, 1LL << 62));
        } else if (a == "--loop") {
            o.loop = true;
        } else if (a == "--demo") {
            o.loop = true;
            steps.push_back(kDemoProfile);
        } else if (a == "--fast") {
            o.fast = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "-") {
            o.readStdin = true;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            usageError("unknown option " + a);
        } else {
            steps.push_back(a);
        }
    }
    o.encoder.frame = o.setting.frame;
    for (const std::string& s : steps)
        o.profileText += s + "\n";
    o.readStdin = o.readStdin || steps.empty();
    return o;
}

speed_t speedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

// Raw mode with the setting's line parameters; a pseudo-terminal ignores the ones it cannot hold.
void configureLine(int fd, const scale::PortSetting& s)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return;
    ::cfmakeraw(&t);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
    if (s.parity == 'E' || s.parity == 'O')
        t.c_cflag |= PARENB | (s.parity == 'O' ? PARODD : 0);
    if (s.stopBits == 2)
        t.c_cflag |= CSTOPB;
    if (const speed_t sp = speedOf(s.baud); sp != B0)
        ::cfsetspeed(&t, sp);
    ::tcsetattr(fd, TCSANOW, &t);
}

struct Output {
    int fd = -1;
    int keepOpen = -1;  // our own handle on the pseudo-terminal's far end
    bool dropWhenFull = false;
};

// A pseudo-terminal whose far end we hold open ourselves, so readers may come and go without the
// near end seeing a hang-up; frames that find its buffer full (nobody reading) are dropped.
Output openPseudoTerminal(const scale::PortSetting& setting)
{
    Output out;
    out.fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (out.fd < 0 || ::grantpt(out.fd) != 0 || ::unlockpt(out.fd) != 0) {
        std::cerr << "mervo-scale-sim: cannot create a pseudo-terminal: " << std::strerror(errno) << '\n';
        std::exit(1);
    }
    const char* name = ::ptsname(out.fd);
    out.keepOpen = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
    if (out.keepOpen < 0) {
        std::cerr << "mervo-scale-sim: cannot open the pseudo-terminal " << (name ? name : "?") << '\n';
        std::exit(1);
    }
    configureLine(out.keepOpen, setting);
    ::fcntl(out.fd, F_SETFL, ::fcntl(out.fd, F_GETFL) | O_NONBLOCK);
    out.dropWhenFull = true;
    std::cout << name << std::endl;
    return out;
}

Output openDevice(const std::string& path, const scale::PortSetting& setting)
{
    Output out;
    if (path == "-") {
        out.fd = STDOUT_FILENO;
        return out;
    }
    out.fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (out.fd < 0) {
        std::cerr << "mervo-scale-sim: cannot open " << path << ": " << std::strerror(errno) << '\n';
        std::exit(1);
    }
    if (::isatty(out.fd))
        configureLine(out.fd, setting);
    return out;
}

// Writes all of `bytes`; false when the output is gone.
bool send(const Output& out, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(out.fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += std::size_t(n);
        } else if (n < 0 && errno == EINTR) {
            if (g_stop)
                return true;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && out.dropWhenFull) {
            return true;
        } else {
            return false;
        }
    }
    return true;
}

void sleepUntil(const timespec& start, double seconds)
{
    timespec t = start;
    const auto whole = static_cast<time_t>(seconds);
    t.tv_sec += whole;
    t.tv_nsec += static_cast<long>((seconds - double(whole)) * 1e9);
    if (t.tv_nsec >= 1'000'000'000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1'000'000'000L;
    }
    while (!g_stop && ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Options o = parseArguments(argc, argv);
    if (o.readStdin)
        o.profileText.append(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    std::string why;
    const auto profile = scale::sim::parseProfile(o.profileText, &why);
    if (!profile)
        usageError("profile: " + why);

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    const Output out = o.device.empty() ? openPseudoTerminal(o.setting) : openDevice(o.device, o.setting);
    const scale::sim::Player player(*profile, o.rate, o.seed);
    const std::uint64_t perPlay = std::max<std::uint64_t>(player.frameCount(), 1);

    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (std::uint64_t i = 0; !g_stop; ++i) {
        if (!o.loop && i >= perPlay)
            break;
        const auto reading = player.frame(i % perPlay);
        if (!o.fast)
            sleepUntil(start, double(i) / o.rate);
        if (g_stop || !reading)
            continue;
        const std::string bytes = scale::sim::encode(o.format, o.encoder, *reading, i, o.seed);
        if (o.verbose && !bytes.empty()) {
            std::string hex;
            for (const unsigned char c : bytes) {
                char b[4];
                std::snprintf(b, sizeof b, "%02X ", c);
                hex += b;
            }
            std::cerr << i << ": " << hex << '\n';
        }
        if (!send(out, bytes)) {
            std::cerr << "mervo-scale-sim: the output was closed: " << std::strerror(errno) << '\n';
            return 1;
        }
    }
    if (out.fd > STDOUT_FILENO)
        ::close(out.fd);
    if (out.keepOpen >= 0)
        ::close(out.keepOpen);
    return 0;
}
