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

const std::string kOver = T("น้ำหนักเกินพิกัดของเครื่องชั่ง !");
const std::string kPounds = T("ไม่รับน้ำหนักในหน่วย lb !");

// What a frame says, in a few words: "1234 still", "-5 moving", "15140" for a format without a
// motion flag, "refused 100", "bad checksum", "not a frame"; then the refusal, if any.
std::string said(const FrameReading& r)
{
    std::string s = "not a frame";
    if (r.outcome == Outcome::Weight)
        s = std::to_string(r.kg) + (!r.motion ? "" : *r.motion ? " moving" : " still");
    else if (r.outcome == Outcome::Refused)
        s = "refused " + std::to_string(r.kg);
    else if (r.outcome == Outcome::BadChecksum)
        s = "bad checksum";
    return r.refusal.empty() ? s : s + ": " + r.refusal;
}

TEST(FrameFormats, EachFormatDecodesItsFrames)
{
    using Decode = FrameReading (*)(std::string_view);
    std::string badXor = tf0('+', "001234", '0');
    badXor[10] = badXor[10] == 'E' ? 'F' : 'E';
    const std::tuple<Decode, std::string, std::string> cases[] = {
        {scale::decodeToledo, toledo(0x2A, 0x30, "001234"), "1234 still"},
        {scale::decodeToledo, toledo(0x2A, 0x3A, "000005"), "-5 moving"},
        {scale::decodeToledo, toledo(0x2A, 0x30, "  1234"), "1234 still"},
        {scale::decodeToledo, toledo(0x2B, 0x30, "012345"), "1235 still"},   // 1234.5, half away from zero
        {scale::decodeToledo, toledo(0x2C, 0x32, "001250"), "-13 still"},    // -12.50
        {scale::decodeToledo, toledo(0x2F, 0x30, "015140"), "0 still"},      // 0.15140
        {scale::decodeToledo, toledo(0x28, 0x30, "000123"), "12300 still"},  // "XX00"
        {scale::decodeToledo, toledo(0x29, 0x30, "000123"), "1230 still"},   // "XXXXX0"
        {scale::decodeToledo, toledo(0x2A, 0x30, "001234", true), "1234 still"},
        {scale::decodeToledo, toledo(0x2A, 0x34, "999999"), "refused 999999: " + kOver},
        {scale::decodeToledo, toledo(0x2A, 0x70, "000000"), "refused 0: " + T("เครื่องชั่งยังไม่ได้ปรับศูนย์ !")},
        {scale::decodeToledo, toledo(0x2A, 0x20, "000100"), "refused 100: " + kPounds},
        {scale::decodeToledo, toledo(0x2A, 0x30, "001234", true).substr(0, 17) + "\x2e", "bad checksum"},
        {scale::decodeToledo, toledo(0x2A, 0x30, "0012a4"), "not a frame"},
        {scale::decodeToledo, toledo(0x0A, 0x30, "001234"), "not a frame"},  // bit 5 of SWA clear
        {scale::decodeToledo, toledo(0x2A, 0x30, "001234").substr(0, 16) + "\n", "not a frame"},
        {scale::decodeToledo, toledo(0x2A, 0x30, "001234").substr(0, 12), "not a frame"},
        {scale::decodeXk3190, STX + "+0012340" + "1F" + ETX, "1234"},
        {scale::decodeXk3190, tf0('-', "001234", '2'), "-12"},
        {scale::decodeXk3190, tf0('+', "001250", '2'), "13"},
        {scale::decodeXk3190, tf0('+', "151400", '1'), "15140"},
        {scale::decodeXk3190, badXor, "bad checksum"},
        {scale::decodeXk3190, tf0('*', "001234", '0'), "not a frame"},
        {scale::decodeXk3190, tf0('+', "0012x4", '0'), "not a frame"},
        {scale::decodeXk3190, "=00.1000-", "-1"},
        {scale::decodeXk3190, "=04151000", "15140"},
        {scale::decodeXk3190, "=5.000000", "1"},  // 0.5
        {scale::decodeXk3190, "=00A10000", "not a frame"},
        {scale::decodeXk3190, "=0-100000", "not a frame"},
        {scale::decodeXk3190, "=0.1.0000", "not a frame"},
        {scale::decodeXk3190, "=0415100", "not a frame"},
        {scale::decodeAscii, "ST,GS,+0012340kg\r\n", "12340 still"},
        {scale::decodeAscii, "US,GS,-0000020kg\r\n", "-20 moving"},
        {scale::decodeAscii, "ST,NT, 12.5 kg\r", "13 still"},
        {scale::decodeAscii, "ST,GS,+0001500g\r\n", "2 still"},
        {scale::decodeAscii, "ST,GS,+015.140t\r\n", "15140 still"},
        {scale::decodeAscii, "st,gs,+0000007KG\n", "7 still"},
        {scale::decodeAscii, "ST,GS,+0000007\r\n", "7 still"},
        {scale::decodeAscii, "WG004.139kg\r\n", "4"},
        {scale::decodeAscii, "WG004.139t\r\n", "4139"},
        {scale::decodeAscii, "WG-04.139t\r\n", "-4139"},
        {scale::decodeAscii, "OL,GS,+9999999kg\r\n", "refused 0: " + kOver},
        {scale::decodeAscii, "OLWG999999kg\r\n", "refused 0: " + kOver},
        {scale::decodeAscii, "ST,GS,+0000100lb\r\n", "refused 0: " + kPounds},
        {scale::decodeAscii, "ST,GS,+0000100oz\r\n", "not a frame"},
        {scale::decodeAscii, "XX,GS,+0000100kg\r\n", "not a frame"},
        {scale::decodeAscii, "+0000100kg\r\n", "not a frame"},
        {scale::decodeAscii, "ST,GS,+00-0100kg\r\n", "not a frame"},
        {scale::decodeAscii, "S,GS,+0000100kg\r\n", "not a frame"},
        {scale::decodeAscii, "WGX004kg\r\n", "not a frame"},
        {scale::decodeAscii, "ST,GS,\r\n", "not a frame"},
    };
    for (const auto& [decode, frame, says] : cases)
        EXPECT_EQ(said(decode(frame)), says) << frame;
}

TEST(FrameFormats, DecimalsBecomeWholeKilograms)
{
    struct Case {
        const char* text;
        long long scale, divisor;
        std::optional<long long> kg;
    };
    const Case cases[] = {
        {"004.139", 1, 1, 4},   {"1.5", 1, 1, 2},     {"-1.5", 1, 1, -2}, {"0.49", 1, 1, 0},
        {"2.5", 1000, 1, 2500}, {"1499", 1, 1000, 1}, {"1500", 1, 1000, 2}, {".5", 1, 1, 1},
        {"+7", 1, 1, 7},        {"000000000000000012", 1, 1, 12},       {"", 1, 1, {}},
        {"1.2.3", 1, 1, {}},    {"1 2", 1, 1, {}},    {"-", 1, 1, {}},    {".", 1, 1, {}},
        {"1234567890123", 1, 1, {}},                  {"1.1234567", 1, 1, {}},
        {"999999999999", 1000, 1, 999999999999000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scale::decimalKg(c.text, c.scale, c.divisor), c.kg) << c.text;
}

// The reader over a stream of one format: ticks 300 ms apart, each with what arrived since the last.
scaletest::Player stream(FrameKind kind)
{
    return scaletest::Player{scaletest::Rules{.kind = kind}};
}

// The weight of each tick's frame, or how the tick ended without one.
std::vector<std::string> played(scaletest::Player& p, const std::vector<std::string>& ticks)
{
    std::vector<std::string> out;
    for (const std::string& t : ticks) {
        const auto r = p.tick(t);
        if (r.end == TickEnd::Frame)
            out.push_back(std::to_string(r.evaluation->weight));
        else if (r.end != TickEnd::Dropped)
            out.push_back(r.end == TickEnd::Open ? "open" : "no signal");
        else
            out.push_back(r.reason == scale::DropReason::BadChecksum ? "bad checksum"
                          : r.reason == scale::DropReason::NotAFrame ? "not a frame"
                                                                     : "incomplete");
    }
    return out;
}

TEST(FrameFormatStreams, FramesAreFoundInTheStream)
{
    using Said = std::vector<std::string>;
    struct Case {
        const char* name;
        FrameKind kind;
        std::vector<std::string> ticks;
        Said said;
    };
    const Case cases[] = {
        // The first bytes may be the tail of a line: skipped up to its end. The read that completed
        // the frame ended a line: the next tick starts at a line. A line far too long is no frame.
        {"ascii frames start only at the start of a line", FrameKind::Ascii,
         {"S,+0000099kg\r\nST,GS,+0000100kg\r\n", "ST,GS,+0000200kg\r\n", std::string(60, '1') + "\r\n"},
         {"100", "200", "not a frame"}},
        // The second frame read is cut short by the next one.
        {"xk3190 reads both frames and resynchronises", FrameKind::Xk3190,
         {"77" + tf0('+', "001500", '0'), "=00510000", STX + "+001" + "=00.1000-", tf0('-', "000010", '1')},
         {"1500", "1500", "-1", "-1"}},
    };
    for (const Case& c : cases) {
        auto s = stream(c.kind);
        EXPECT_EQ(played(s, c.ticks), c.said) << c.name;
    }
}

TEST(FrameFormatStreams, ToledoChecksumOnceSeenIsAwaitedAfterEveryFrame)
{
    auto s = stream(FrameKind::Toledo);
    const std::string next = toledo(0x2A, 0x30, "000500", true);
    std::string bad = toledo(0x2A, 0x30, "000600", true);
    bad[9] = '9';
    // Without checksums a frame is complete at CR when nothing follows, or at the next STX. After a
    // frame with a checksum the reader waits for the byte after CR; a wrong one is dropped and
    // counted, and the weight stays.
    EXPECT_EQ(played(s, {toledo(0x2A, 0x30, "000100"), toledo(0x2A, 0x30, "000200") + toledo(0x2A, 0x30, "000300"),
                         toledo(0x2A, 0x30, "000400", true), next.substr(0, 17)}),
              (std::vector<std::string>{"100", "200", "400", "open"}));
    s.in.push(next.substr(17));
    const auto r = s.reader.service(s.in, s.now);
    ASSERT_EQ(r.end, TickEnd::Frame);
    EXPECT_EQ(r.evaluation->weight, 500);
    EXPECT_EQ(played(s, {bad}), std::vector<std::string>{"bad checksum"});
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
        EXPECT_FALSE(r.evaluation->stable || r.evaluation->autoAccept);
        repeat.push_back(r.evaluation->repeatCount);
    }
    EXPECT_EQ(repeat, (std::vector<int>{0, 1, 2, 3, 3}));
    EXPECT_FALSE(s.reader.acceptable(s.now));
    const auto r = s.tick(toledo(0x2A, 0x30, "001000"));
    EXPECT_TRUE(r.evaluation->stable && r.evaluation->autoAccept);

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
    played(s, {"\r\n", "ST,GS,+0001000kg\r\n", "ST,GS,+0001000kg\r\n", "ST,GS,+0001000kg\r\n",
               "ST,GS,+0001000kg\r\n"});
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
