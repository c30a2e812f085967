// The scale link's readers of outside input: the frame reader over any byte stream and any clock
// steps, the "Port#n" setting, and the simulator's profiles. The first byte picks which.
//
// Properties: nothing crashes; the zero state stays 0..3; the repeat count stays within 0..S; an
// evaluated frame has exactly the frame length; the receive queue never holds more than 2048
// bytes; an accepted setting is within its documented ranges; a parsed profile plays and encodes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scale/frame_reader.h"
#include "scale/port_setting.h"
#include "scale/sim_formats.h"
#include "scale/sim_profile.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void fuzzReader(std::string_view in)
{
    if (in.size() < 5)
        return;
    scale::ReaderConfig c;
    c.frame.startChar = static_cast<unsigned char>(in[0]);
    c.frame.headerLength = 1 + static_cast<unsigned char>(in[1]) % 12;
    c.frame.weightLength = 1 + static_cast<unsigned char>(in[2]) % 12;
    c.statusPosition = static_cast<unsigned char>(in[3]) % 16;
    const auto flags = static_cast<unsigned char>(in[4]);
    c.signFromStatus = flags & 1;
    c.stableCount = (flags >> 1) & 7;
    c.zeroFirst = flags & 16;
    c.handAccept = flags & 32;
    in.remove_prefix(5);

    scale::FrameReader reader(c);
    scale::ByteQueue queue;
    std::int64_t now = 0;
    while (!in.empty()) {
        const auto op = static_cast<unsigned char>(in[0]);
        in.remove_prefix(1);
        const std::size_t arg = op >> 2;
        switch (op & 3) {
        case 0: {
            const std::size_t n = std::min(arg * 8 + 1, in.size());
            queue.push(in.substr(0, n));
            in.remove_prefix(n);
            break;
        }
        case 1:
            reader.beginTick(now);
            break;
        case 2:
            now += std::int64_t(arg) * 100;
            break;
        default:
            break;
        }
        const scale::TickResult r = reader.service(queue, now);
        if (r.end == scale::TickEnd::Frame) {
            check(r.evaluation.has_value());
            check(r.evaluation->frame.size() == std::size_t(c.frame.length()));
            check(r.evaluation->frame[0] == static_cast<char>(c.frame.startChar));
            check(r.evaluation->repeatCount <= c.stableCount);
        }
        check(int(reader.zeroState()) >= 0 && int(reader.zeroState()) <= 3);
        check(reader.repeatCount() >= 0 && reader.repeatCount() <= c.stableCount);
        check(reader.frameText().size() < std::size_t(c.frame.length()));
        check(queue.size() <= scale::ByteQueue::kCapacity);
        (void)scale::weightText(reader.weight());
    }
    bool repeat = false;
    (void)scale::RDVAL(in, 5, &repeat);
}

void fuzzSetting(std::string_view in)
{
    std::string error;
    const auto p = scale::parsePortSetting(in, &error);
    if (!p) {
        check(!error.empty());
        return;
    }
    check(p->baud >= 1 && p->baud <= 99999);
    check(std::string_view("NEOMS").find(p->parity) != std::string_view::npos);
    check(p->dataBits >= 5 && p->dataBits <= 8);
    check(p->stopBits == 1 || p->stopBits == 2);
    check(p->frame.headerLength >= 1 && p->frame.headerLength <= 999);
    check(p->frame.weightLength >= 1 && p->frame.weightLength <= 999);
    check(p->modeText(1).rfind("COM1:", 0) == 0);
}

void fuzzProfile(std::string_view in)
{
    std::string error;
    const auto profile = scale::sim::parseProfile(in, &error);
    if (!profile) {
        check(!error.empty());
        return;
    }
    check(!profile->steps.empty() && profile->durationMs() > 0);
    const scale::sim::Player player(*profile, 50, in.size());
    scale::sim::EncoderOptions o;
    o.noiseBytes = 3;
    o.controlEvery = 4;
    const std::uint64_t count = player.frameCount();
    check(count >= 1);
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(count, 32); ++i) {
        const auto reading = player.frame(i);
        check(reading.has_value());
        for (const auto f : {scale::sim::Format::Indicator, scale::sim::Format::Toledo, scale::sim::Format::Ascii,
                             scale::sim::Format::Xk3190}) {
            const std::string bytes = scale::sim::encode(f, o, *reading, i, 1);
            check(reading->kind == scale::sim::Reading::Kind::Silence ? bytes.empty() : !bytes.empty());
        }
    }
    check(!player.frame(count).has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        fuzzReader(bytes);
        break;
    case 1:
        fuzzSetting(bytes);
        break;
    default:
        fuzzProfile(bytes);
        break;
    }
    return 0;
}
