// The scale link's readers of outside input: the frame reader in every frame format over any byte
// stream and any clock steps, the format decoders on any frame, the "Port#n" setting, and the
// simulator's profiles. The first byte picks which.
//
// Properties: nothing crashes; the zero state stays 0..3; the repeat count stays within 0..S; an
// evaluated indicator frame has exactly the frame length; a frame in progress stays shorter than
// its format's longest frame; a stable weight is never one the indicator refused; the receive
// queue never holds more than 2048 bytes; a decoded weight is within 12 digits and a refusal says
// why; an accepted setting is within its documented ranges; a parsed profile plays and encodes,
// and what the simulator sends in any format reads back as the weight it sent.
#include <cstdint>
#include <string>

#include "fuzz_util.h"
#include "scale/frame_formats.h"
#include "scale/frame_reader.h"
#include "scale/port_setting.h"
#include "scale/sim_formats.h"
#include "scale/sim_profile.h"

namespace {

using fuzz::check;

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
    c.kind = scale::FrameKind(flags >> 6);
    in.remove_prefix(5);
    const scale::FrameDecoder shape(c.kind, c.frame, {});

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
            if (c.kind == scale::FrameKind::Indicator) {
                check(r.evaluation->frame.size() == std::size_t(c.frame.length()));
                check(r.evaluation->frame[0] == static_cast<char>(c.frame.startChar));
            }
            check(r.evaluation->repeatCount <= c.stableCount);
            check(r.evaluation->refusal.empty() || (!r.evaluation->stable && !r.evaluation->autoAccept));
        }
        check(int(reader.zeroState()) >= 0 && int(reader.zeroState()) <= 3);
        check(reader.repeatCount() >= 0 && reader.repeatCount() <= c.stableCount);
        check(reader.frameText().size() < shape.maxLength());
        check(queue.size() <= scale::ByteQueue::kCapacity);
        (void)scale::weightText(reader.weight());
    }
    bool repeat = false;
    (void)scale::RDVAL(in, 5, &repeat);
}

void checkReading(const scale::FrameReading& r)
{
    using O = scale::FrameReading::Outcome;
    check(r.kg >= -999'999'999'999'999LL && r.kg <= 999'999'999'999'999LL);
    check((r.outcome == O::Refused) == !r.refusal.empty());
    check(r.outcome == O::Weight || r.outcome == O::Refused || r.kg == 0);
}

void fuzzDecoders(std::string_view in)
{
    checkReading(scale::decodeToledo(in));
    checkReading(scale::decodeXk3190(in));
    checkReading(scale::decodeAscii(in));
    if (const auto kg = scale::decimalKg(in, 1000, 1))
        check(*kg >= -999'999'999'999'999LL && *kg <= 999'999'999'999'999LL);
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
    scale::sim::EncoderOptions clean;
    clean.decimals = int(in.size() % 4);
    const std::uint64_t count = player.frameCount();
    check(count >= 1);
    using F = scale::sim::Format;
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(count, 32); ++i) {
        const auto reading = player.frame(i);
        check(reading.has_value());
        for (const auto f : {F::Indicator, F::Toledo, F::Ascii, F::AsciiNoComma, F::Xk3190, F::Xk3190Equals}) {
            const std::string bytes = scale::sim::encode(f, o, *reading, i, 1);
            check(reading->kind == scale::sim::Reading::Kind::Silence ? bytes.empty() : !bytes.empty());
            if (f == F::Indicator || reading->kind != scale::sim::Reading::Kind::Weight)
                continue;
            // Read back: the weight as sent, its decimals rounded, unless it did not fit the frame.
            scale::FrameDecoder decoder(scale::sim::readerKind(f), {}, {});
            decoder.skipped("\n");
            const std::string sent = scale::sim::encode(f, clean, *reading, i, 1);
            bool complete = false;
            for (const char c : sent)
                complete = complete || decoder.push(c) == scale::FrameDecoder::Push::Complete;
            complete = complete || decoder.completeAtEnd();
            check(complete);
            const scale::FrameReading back = decoder.take(0);
            long long p10 = 1;
            for (int d = 0; d < clean.decimals; ++d)
                p10 *= 10;
            const long long m = reading->weight < 0 ? -reading->weight : reading->weight;
            const long long kg = (m / p10 + (2 * (m % p10) >= p10 ? 1 : 0)) * (reading->weight < 0 ? -1 : 1);
            if (m < 100000)
                check(back.outcome == scale::FrameReading::Outcome::Weight && back.kg == kg);
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
    switch (data[0] % 4) {
    case 0:
        fuzzReader(bytes);
        break;
    case 1:
        fuzzSetting(bytes);
        break;
    case 2:
        fuzzDecoders(bytes);
        break;
    default:
        fuzzProfile(bytes);
        break;
    }
    return 0;
}
