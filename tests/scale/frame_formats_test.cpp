#include "scale/frame_formats.h"

#include <gtest/gtest.h>

#include "core/tis620.h"
#include "scale/frame_reader.h"
#include "scale_fixture.h"

namespace {

using core::tis620::T;
using scale::FrameKind;
using scale::FrameReading;
using Outcome = FrameReading::Outcome;
using scale::TickEnd;
using scaletest::ETX;
using scaletest::STX;
using scaletest::tf0;
using scaletest::toledo;

struct Expect {
    Outcome outcome;
    long long kg = 0;
    std::optional<bool> motion = std::nullopt;
    std::string refusal = {};
};

void check(const FrameReading& r, const Expect& e, const std::string& name)
{
    EXPECT_EQ(r.outcome, e.outcome) << name;
    if (e.outcome == Outcome::Weight || e.outcome == Outcome::Refused) {
        EXPECT_EQ(r.kg, e.kg) << name;
    }
    if (e.outcome == Outcome::Weight) {
        EXPECT_EQ(r.motion, e.motion) << name;
    }
    EXPECT_EQ(r.refusal, e.refusal) << name;
}

const std::string kOver = T("น้ำหนักเกินพิกัดของเครื่องชั่ง !");

TEST(FrameFormats, Toledo)
{
    const std::pair<std::string, Expect> cases[] = {
        {toledo(0x2A, 0x30, "001234"), {Outcome::Weight, 1234, false}},
        {toledo(0x2A, 0x3A, "000005"), {Outcome::Weight, -5, true}},
        {toledo(0x2A, 0x30, "  1234"), {Outcome::Weight, 1234, false}},
        {toledo(0x2B, 0x30, "012345"), {Outcome::Weight, 1235, false}},   // 1234.5, half away from zero
        {toledo(0x2C, 0x32, "001250"), {Outcome::Weight, -13, false}},    // -12.50
        {toledo(0x2F, 0x30, "015140"), {Outcome::Weight, 0, false}},      // 0.15140
        {toledo(0x28, 0x30, "000123"), {Outcome::Weight, 12300, false}},  // "XX00"
        {toledo(0x29, 0x30, "000123"), {Outcome::Weight, 1230, false}},   // "XXXXX0"
        {toledo(0x2A, 0x30, "001234", true), {Outcome::Weight, 1234, false}},
        {toledo(0x2A, 0x34, "999999"), {Outcome::Refused, 999999, {}, kOver}},
        {toledo(0x2A, 0x70, "000000"), {Outcome::Refused, 0, {}, T("เครื่องชั่งยังไม่ได้ปรับศูนย์ !")}},
        {toledo(0x2A, 0x20, "000100"), {Outcome::Refused, 100, {}, T("ไม่รับน้ำหนักในหน่วย lb !")}},
        {toledo(0x2A, 0x30, "001234", true).substr(0, 17) + "\x2e", {Outcome::BadChecksum}},
        {toledo(0x2A, 0x30, "0012a4"), {Outcome::NotAFrame}},
        {toledo(0x0A, 0x30, "001234"), {Outcome::NotAFrame}},  // bit 5 of SWA clear
        {toledo(0x2A, 0x30, "001234").substr(0, 16) + "\n", {Outcome::NotAFrame}},
        {toledo(0x2A, 0x30, "001234").substr(0, 12), {Outcome::NotAFrame}},
    };
    int i = 0;
    for (const auto& [frame, e] : cases)
        check(scale::decodeToledo(frame), e, "toledo case " + std::to_string(i++));
}

TEST(FrameFormats, Xk3190)
{
    std::string badXor = tf0('+', "001234", '0');
    badXor[10] = badXor[10] == 'E' ? 'F' : 'E';
    const std::pair<std::string, Expect> cases[] = {
        {STX + "+0012340" + "1F" + ETX, {Outcome::Weight, 1234}},
        {tf0('-', "001234", '2'), {Outcome::Weight, -12}},
        {tf0('+', "001250", '2'), {Outcome::Weight, 13}},
        {tf0('+', "151400", '1'), {Outcome::Weight, 15140}},
        {badXor, {Outcome::BadChecksum}},
        {tf0('*', "001234", '0'), {Outcome::NotAFrame}},
        {tf0('+', "0012x4", '0'), {Outcome::NotAFrame}},
        {"=00.1000-", {Outcome::Weight, -1}},
        {"=04151000", {Outcome::Weight, 15140}},
        {"=5.000000", {Outcome::Weight, 1}},  // 0.5
        {"=00A10000", {Outcome::NotAFrame}},
        {"=0-100000", {Outcome::NotAFrame}},
        {"=0.1.0000", {Outcome::NotAFrame}},
        {"=0415100", {Outcome::NotAFrame}},
    };
    int i = 0;
    for (const auto& [frame, e] : cases)
        check(scale::decodeXk3190(frame), e, "xk3190 case " + std::to_string(i++));
}

TEST(FrameFormats, Ascii)
{
    const std::pair<std::string, Expect> cases[] = {
        {"ST,GS,+0012340kg\r\n", {Outcome::Weight, 12340, false}},
        {"US,GS,-0000020kg\r\n", {Outcome::Weight, -20, true}},
        {"ST,NT, 12.5 kg\r", {Outcome::Weight, 13, false}},
        {"ST,GS,+0001500g\r\n", {Outcome::Weight, 2, false}},
        {"ST,GS,+015.140t\r\n", {Outcome::Weight, 15140, false}},
        {"st,gs,+0000007KG\n", {Outcome::Weight, 7, false}},
        {"ST,GS,+0000007\r\n", {Outcome::Weight, 7, false}},
        {"WG004.139kg\r\n", {Outcome::Weight, 4}},
        {"WG004.139t\r\n", {Outcome::Weight, 4139}},
        {"WG-04.139t\r\n", {Outcome::Weight, -4139}},
        {"OL,GS,+9999999kg\r\n", {Outcome::Refused, 0, {}, kOver}},
        {"OLWG999999kg\r\n", {Outcome::Refused, 0, {}, kOver}},
        {"ST,GS,+0000100lb\r\n", {Outcome::Refused, 0, {}, T("ไม่รับน้ำหนักในหน่วย lb !")}},
        {"ST,GS,+0000100oz\r\n", {Outcome::NotAFrame}},
        {"XX,GS,+0000100kg\r\n", {Outcome::NotAFrame}},
        {"+0000100kg\r\n", {Outcome::NotAFrame}},
        {"ST,GS,+00-0100kg\r\n", {Outcome::NotAFrame}},
        {"S,GS,+0000100kg\r\n", {Outcome::NotAFrame}},
        {"WGX004kg\r\n", {Outcome::NotAFrame}},
        {"ST,GS,\r\n", {Outcome::NotAFrame}},
    };
    int i = 0;
    for (const auto& [frame, e] : cases)
        check(scale::decodeAscii(frame), e, "ascii case " + std::to_string(i++));
}

TEST(FrameFormats, DecimalsBecomeWholeKilograms)
{
    struct Case {
        const char* text;
        long long scale, divisor;
        std::optional<long long> kg;
    };
    const Case cases[] = {
        {"004.139", 1, 1, 4},    {"1.5", 1, 1, 2},          {"-1.5", 1, 1, -2},      {"0.49", 1, 1, 0},
        {"2.5", 1000, 1, 2500},  {"1499", 1, 1000, 1},      {"1500", 1, 1000, 2},    {".5", 1, 1, 1},
        {"+7", 1, 1, 7},         {"000000000000000012", 1, 1, 12},                   {"", 1, 1, {}},
        {"1.2.3", 1, 1, {}},     {"1 2", 1, 1, {}},         {"-", 1, 1, {}},         {".", 1, 1, {}},
        {"1234567890123", 1, 1, {}},                        {"1.1234567", 1, 1, {}}, {"999999999999", 1000, 1, 999999999999000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scale::decimalKg(c.text, c.scale, c.divisor), c.kg) << c.text;
}

// The reader over a stream of one format: ticks 300 ms apart, each with what arrived since the last.
scaletest::Player stream(FrameKind kind)
{
    return scaletest::Player{scaletest::Rules{.kind = kind}};
}

TEST(FrameFormatStreams, FramesAreFoundInTheStream)
{
    struct Tick {
        std::string bytes;
        TickEnd end;
        long long kg = 0;
    };
    struct Case {
        const char* name;
        FrameKind kind;
        std::vector<Tick> ticks;
    };
    const Case cases[] = {
        // The first bytes may be the tail of a line: skipped up to its end. The read that completed
        // the frame ended a line: the next tick starts at a line. A line far too long is no frame.
        {"ascii frames start only at the start of a line", FrameKind::Ascii,
         {{"S,+0000099kg\r\nST,GS,+0000100kg\r\n", TickEnd::Frame, 100},
          {"ST,GS,+0000200kg\r\n", TickEnd::Frame, 200},
          {std::string(60, '1') + "\r\n", TickEnd::Dropped}}},
        {"xk3190 reads both frames and resynchronises", FrameKind::Xk3190,
         {{"77" + tf0('+', "001500", '0'), TickEnd::Frame, 1500},
          {"=00510000", TickEnd::Frame, 1500},
          {STX + "+001" + "=00.1000-", TickEnd::Frame, -1},  // a frame cut short by the next one
          {tf0('-', "000010", '1'), TickEnd::Frame, -1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = stream(c.kind);
        for (const Tick& t : c.ticks) {
            const auto r = s.tick(t.bytes);
            ASSERT_EQ(r.end, t.end) << t.bytes;
            if (t.end == TickEnd::Frame) {
                EXPECT_EQ(r.evaluation->weight, t.kg) << t.bytes;
            } else {
                EXPECT_EQ(r.reason, scale::DropReason::NotAFrame);
            }
        }
    }
}

TEST(FrameFormatStreams, ToledoChecksumOnceSeenIsAwaitedAfterEveryFrame)
{
    auto s = stream(FrameKind::Toledo);
    // Without checksums a frame is complete at CR when nothing follows, or at the next STX.
    EXPECT_EQ(s.weights({toledo(0x2A, 0x30, "000100"), toledo(0x2A, 0x30, "000200") + toledo(0x2A, 0x30, "000300")}),
              (std::vector<long long>{100, 200}));

    // A frame with a checksum: from now on the reader waits for the byte after CR.
    auto r = s.tick(toledo(0x2A, 0x30, "000400", true));
    ASSERT_EQ(r.end, TickEnd::Frame);
    EXPECT_EQ(r.evaluation->weight, 400);
    const std::string next = toledo(0x2A, 0x30, "000500", true);
    EXPECT_EQ(s.tick(next.substr(0, 17)).end, TickEnd::Open);
    s.in.push(next.substr(17));
    r = s.reader.service(s.in, s.now);
    ASSERT_EQ(r.end, TickEnd::Frame);
    EXPECT_EQ(r.evaluation->weight, 500);

    // A wrong checksum: dropped and counted, the weight stays.
    std::string bad = toledo(0x2A, 0x30, "000600", true);
    bad[9] = '9';
    r = s.tick(bad);
    EXPECT_EQ(r.end, TickEnd::Dropped);
    EXPECT_EQ(r.reason, scale::DropReason::BadChecksum);
    EXPECT_EQ(s.reader.badChecksums(), 1);
    EXPECT_EQ(s.reader.weight(), 500);
}

TEST(FrameFormatStreams, AMotionFlagHoldsStabilityBackUntilItClears)
{
    auto s = stream(FrameKind::Toledo);
    std::vector<int> repeat;
    for (int i = 0; i < 5; ++i) {
        const auto r = s.tick(toledo(0x2A, 0x38, "001000"));  // in motion
        ASSERT_EQ(r.end, TickEnd::Frame);
        EXPECT_FALSE(r.evaluation->stable);
        EXPECT_FALSE(r.evaluation->autoAccept);
        repeat.push_back(r.evaluation->repeatCount);
    }
    EXPECT_EQ(repeat, (std::vector<int>{0, 1, 2, 3, 3}));
    EXPECT_FALSE(s.reader.acceptable(s.now));
    const auto r = s.tick(toledo(0x2A, 0x30, "001000"));
    EXPECT_TRUE(r.evaluation->stable);
    EXPECT_TRUE(r.evaluation->autoAccept);

    // Flagged at rest but changing: the repeat rule still decides.
    auto x = stream(FrameKind::Ascii);
    x.tick("\n");
    std::vector<bool> stable;
    for (const char* w : {"+0000010", "+0000011", "+0000011", "+0000011", "+0000011"})
        stable.push_back(x.tick(std::string("ST,GS,") + w + "kg\r\n").evaluation->stable);
    EXPECT_EQ(stable, (std::vector<bool>{false, false, false, false, true}));
}

TEST(FrameFormatStreams, RefusedReadingsAreNeverAcceptableAndRestartTheCount)
{
    auto s = stream(FrameKind::Ascii);
    s.tick("\r\n");
    for (int i = 0; i < 4; ++i)
        s.tick("ST,GS,+0001000kg\r\n");
    ASSERT_TRUE(s.reader.acceptable(s.now));
    auto r = s.tick("OL,GS,+9999999kg\r\n");
    ASSERT_EQ(r.end, TickEnd::Frame);
    EXPECT_EQ(r.evaluation->refusal, kOver);
    EXPECT_EQ(r.evaluation->zeroState, scale::ZeroState::Reading);
    EXPECT_FALSE(s.reader.acceptable(s.now));
    r = s.tick("ST,GS,+0001000kg\r\n");
    EXPECT_EQ(r.evaluation->repeatCount, 0);
    EXPECT_TRUE(r.evaluation->refusal.empty());
}

}  // namespace
