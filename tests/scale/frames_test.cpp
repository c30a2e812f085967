// The scale's readers of outside input: the frame reader over the indicator's byte stream (frames,
// signs, stability, the zero state, silence, any layout as the simulator sends it), the decoders of
// the other frame formats and their streams, and the "Port#n" setting with the reader's rules.
#include <gtest/gtest.h>

#include <vector>

#include "core/tis620.h"
#include "scale/frame_formats.h"
#include "scale/frame_reader.h"
#include "scale/port_setting.h"
#include "scale/sim_formats.h"
#include "scale_fixture.h"

namespace {

using core::tis620::T;
using scale::ByteQueue;
using scale::FrameKind;
using scale::FrameReader;
using scale::FrameReading;
using Outcome = FrameReading::Outcome;
using scale::TickEnd;
using scale::ZeroState;
using scaletest::ETX;
using scaletest::frame;
using scaletest::frameOf;
using scaletest::Player;
using scaletest::Rules;
using scaletest::STX;
using scaletest::tf0;
using scaletest::toledo;

using W = std::vector<long long>;
using Ticks = std::vector<std::string>;
using Texts = std::vector<std::string>;
constexpr long long kOpen = -999999;  // no weight: the tick stayed open

// Each arrival's weight: a tick stays open across arrivals until a frame ends it. With "Minus" the
// status byte's bit of value 2 makes a weight negative: '1' (0x31) and '4' (0x34) leave the sign
// alone, '3' and '6' set it.
TEST(FrameReader, WeightsAndTheirSignsFromTheByteStream)
{
    const Rules minus{.signFromStatus = true};
    struct Case {
        const char* name;
        Rules rules;
        Ticks arrivals;
        W weights;
    };
    const Case cases[] = {
        {"plain frame", {}, {STX + "000001234"}, {1234}},
        {"noise before the start character is skipped", {}, {"zz\x7f\r\n9" + STX + "000001234"}, {1234}},
        {"a control character repeats the previous weight", {}, {frameOf(1234), frame("01\r34")}, {1234, 1234}},
        {"the rest of the read after a frame is dropped", {},
         {frameOf(1234) + "\r\n" + frameOf(5678) + "\r\n", ""}, {1234, kOpen}},
        {"a frame split over two arrivals waits in the open tick", {}, {STX + "0000", "01234"}, {kOpen, 1234}},
        {"a start character inside the header is just a byte", {}, {STX + "0" + STX + "0001234"}, {1234}},
        {"a start character in the weight: a repeat", {}, {frameOf(9), STX + "0000" + STX + "1234"}, {9, 9}},
        {"the status bit without Minus", {}, {frameOf(1234, '2')}, {1234}},
        {"only the bit of value 2", minus, {frameOf(5, '1'), frameOf(5, '4'), frameOf(5, '3'), frameOf(5, '6')},
         {5, 5, -5, -5}},
        {"a status position outside the frame is no status", {.statusPosition = 40, .signFromStatus = true},
         {frameOf(5, '2')}, {5}},
        {"a repeated frame keeps a negative weight negative", minus,
         {frameOf(1234, '2'), frame("01\r34", '2'), frame("01\r34", '0')}, {-1234, -1234, -1234}},
        // The status bit and the digits both say negative: still -1234, not +1234.
        {"however many places say so", minus,
         {frameOf(-1234, '2'), frameOf(-1234, '0'), frame("0-123", '0'), frame("0-123", '2')},
         {-1234, -1234, -123, -123}},
    };
    for (const Case& c : cases) {
        Player p{c.rules};
        W got;
        for (const auto& bytes : c.arrivals) {
            const auto r = p.arrive(bytes);
            got.push_back(r.end == TickEnd::Frame ? r.evaluation->weight : kOpen);
        }
        EXPECT_EQ(got, c.weights) << c.name;
    }
}

TEST(FrameReader, AStaleReadingIsNeverAcceptableAndFourSecondsOfJunkOrSilenceEndTheTick)
{
    Player p{Rules{.handAccept = true, .freshMs = 1200}};
    for (int i = 0; i < 4; ++i)
        p.tick(frameOf(8000));
    EXPECT_TRUE(p.reader.acceptable(p.now + 1200));
    EXPECT_FALSE(p.reader.acceptable(p.now + 1201));
    // Repeats keep the weight but do not make it fresh again.
    Player q{Rules{.freshMs = 500}};
    q.tick(frameOf(8000));
    bool accepted = false;
    for (int i = 0; i < 6; ++i)
        accepted = q.tick(frame("80\r00")).evaluation->autoAccept || accepted;
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(q.reader.acceptable(q.now));

    // A stable load, then the indicator sends only junk: silence never comes, but after four
    // seconds without a frame the state drops to no signal and the old weight is not offered.
    Player j;
    for (int i = 0; i < 4; ++i)
        j.tick(frameOf(15140));
    ASSERT_TRUE(j.reader.acceptable(j.now));
    j.reader.beginTick(j.now += 300);
    const std::int64_t start = j.now;
    for (std::int64_t t = start; t < start + 4000; t += 100) {
        j.in.push("junk");
        ASSERT_EQ(j.reader.service(j.in, t).end, TickEnd::Open) << t;
        if (t >= start + 1500) {
            EXPECT_FALSE(j.reader.acceptable(t)) << t;  // stale long before
        }
    }
    j.in.push("junk");
    EXPECT_EQ(j.reader.service(j.in, start + 4000).end, TickEnd::NoSignal);
    EXPECT_EQ(j.reader.zeroState(), ZeroState::NoSignal);
    EXPECT_FALSE(j.reader.tickOpen());

    // Before any frame, silence counts from the last byte, not from the tick's start: skipped noise is
    // signal. (Nothing at all, and a frame cut short: WeightDialogTest.FourSecondsWithoutBytesEndTheTick.)
    FrameReader r{Rules{}};
    ByteQueue in;
    r.beginTick(0);
    in.push("noise");
    EXPECT_EQ(r.service(in, 1000).end, TickEnd::Open);
    EXPECT_EQ(r.service(in, 4999).end, TickEnd::Open);
    EXPECT_EQ(r.service(in, 5000).end, TickEnd::NoSignal);
    EXPECT_EQ(r.zeroState(), ZeroState::NoSignal);
    EXPECT_FALSE(r.tickOpen());
}

// What the simulator, the serial port's double, sends for a frame layout is what the reader reads.
TEST(SimulatorFormats, TheProgramReadsWhatTheIndicatorFormatSends)
{
    struct Layout {
        unsigned char start;
        int header, weight, status;
    };
    for (const Layout l : {Layout{2, 5, 5, 3}, Layout{'=', 1, 7, 1}, Layout{0xAA & 0x7F, 8, 6, 4}}) {
        const scale::sim::EncoderOptions o{
            .frame = {l.start, l.header, l.weight}, .statusPosition = l.status, .noiseBytes = 5};
        const scale::ReaderConfig c{.frame = o.frame, .statusPosition = l.status, .signFromStatus = l.status > 1};
        FrameReader reader(c);
        ByteQueue in;
        for (const long long kg : {0LL, 15140LL, -20LL, 999LL}) {
            if (kg < 0 && !c.signFromStatus)
                continue;
            const scale::sim::Reading sent{.weight = kg};
            in.push(scale::sim::encode(scale::sim::Format::Indicator, o, sent, std::uint64_t(kg + 100), 1));
            reader.beginTick(0);
            const auto r = reader.service(in, 0);
            ASSERT_EQ(r.end, TickEnd::Frame) << int(l.start);
            EXPECT_EQ(r.evaluation->weight, kg) << int(l.start);
        }
    }
}

// Frames of these weights, one a tick.
Ticks loads(std::initializer_list<long long> kgs)
{
    Ticks out;
    for (const long long kg : kgs)
        out.push_back(frameOf(kg));
    return out;
}

TEST(FrameReader, RepeatsStabilityZeroStateAndAutomaticAcceptance)
{
    const std::string repeat = frame("01\r34");
    const Rules zeroFirst{.zeroFirst = true};
    // After each tick, one digit a tick; empty: not checked.
    struct Case {
        const char* name;
        Rules rules;
        Ticks ticks;
        std::string states;  // the zero state
        std::string counts;  // the repeat count
        int acceptedAt = -1;  // 1-based tick that closes the dialog by itself, 0 none, -1 not checked
    };
    const Case cases[] = {
        {"repeats before any reading: no stable 0", {}, Ticks(6, repeat), "111111", "000000"},
        {"nor an opened zero gate", zeroFirst, Ticks(6, repeat), "000000", "000000"},
        {"after a real reading repeats count", {}, {frameOf(15140), repeat, repeat, repeat}, "1112", "0123"},
        {"a repeated real zero is stable, but only a real zero opens the gate", zeroFirst,
         {frameOf(0), repeat, repeat, repeat, frameOf(0)}, "00002", "12333"},
        {"Stable 3: the fourth equal frame", {.stableCount = 3}, loads({1000, 1000, 1000, 1000}), "", "0123", 4},
        {"W.Read 2 never closes by itself", {.stableCount = 3, .handAccept = true},
         loads({1000, 1000, 1000, 1000, 1000}), "", "01233", 0},
        {"a change counts from 0 again", {.stableCount = 2}, loads({500, 500, 510, 510, 510}), "", "01012", 5},
        {"a first frame of 0 already counts once; a stable 0 is never taken by itself", {.stableCount = 2},
         loads({0, 0, 0}), "", "122", 0},
        {"a loaded scale stays waiting for zero", zeroFirst, Ticks(6, frameOf(8000)), "000000", ""},
        {"a stable zero opens the way, then a stable load", zeroFirst,
         loads({8000, 0, 0, 0, 0, 8000, 8000, 8000, 8000}), "000021112", ""},
        {"a negative stable weight is not acceptable", {}, loads({-5, -5, -5, -5}), "1111", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Player p{c.rules};
        EXPECT_EQ(int(p.reader.zeroState()), c.rules.zeroFirst ? 0 : 1);
        std::string states, counts;
        int accepted = 0;
        for (const auto& t : c.ticks) {
            const auto r = p.tick(t);
            ASSERT_EQ(r.end, TickEnd::Frame);
            states += char('0' + int(r.evaluation->zeroState));
            counts += char('0' + r.evaluation->repeatCount);
            if (r.evaluation->autoAccept && !accepted)
                accepted = int(states.size());
        }
        EXPECT_EQ(c.states.empty() ? "" : states, c.states);
        EXPECT_EQ(c.counts.empty() ? "" : counts, c.counts);
        if (c.acceptedAt >= 0) {
            EXPECT_EQ(accepted, c.acceptedAt);
        }
    }
}

TEST(FrameReader, ByteQueueKeepsTheNewest2048Bytes)
{
    ByteQueue q;
    std::string bytes;
    for (int i = 0; i < 3000; ++i)
        bytes.push_back(char('a' + i % 26));
    q.push(bytes);
    EXPECT_EQ(q.size(), 2048u);
    EXPECT_EQ(q.overwritten(), 952u);
    EXPECT_EQ(q.read(), bytes.substr(952, 1024));  // a read takes at most 1024
    EXPECT_EQ(q.read(), bytes.substr(1976));
    EXPECT_TRUE(q.read().empty());
}

TEST(FrameReader, RdvalTable)
{
    // 77 is the previous weight: it comes back, with the repeat mark, when a control character stands
    // in the weight.
    const std::pair<const char*, long long> cases[] = {
        {"01234", 1234}, {"012.5", 125}, {"+1234", 1234}, {"-0050", -50}, {"0-123", -123}, {"12-34", 12},
        {"", 0},         {"ABCDE", 0},   {"1\r234", 77},  {" 12 3", 123}, {"\x7f" "12", 12}, {"00+45", 45},
        {" 0-12", -12},  {"\t", 77},
        {"99999999999999999", 999'999'999'999LL},
    };
    for (const auto& [text, kg] : cases) {
        bool repeat = false;
        EXPECT_EQ(scale::RDVAL(text, 77, &repeat), kg) << text;
        EXPECT_EQ(repeat, kg == 77) << text;
    }
}

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
    std::string badXor = tf0('+', "001234", '0');
    badXor[10] = badXor[10] == 'E' ? 'F' : 'E';
    const std::string notFrame = "not a frame";
    struct Format {
        FrameReading (*decode)(std::string_view);
        std::vector<std::pair<std::string, std::string>> frames;  // and what each says
    };
    const Format formats[] = {
        {scale::decodeToledo,
         {{toledo(0x2A, 0x30, "001234"), "1234 still"},
          {toledo(0x2A, 0x3A, "000005"), "-5 moving"},
          {toledo(0x2A, 0x30, "  1234"), "1234 still"},
          {toledo(0x2B, 0x30, "012345"), "1235 still"},   // 1234.5, half away from zero
          {toledo(0x2C, 0x32, "001250"), "-13 still"},    // -12.50
          {toledo(0x2F, 0x30, "015140"), "0 still"},      // 0.15140
          {toledo(0x28, 0x30, "000123"), "12300 still"},  // "XX00"
          {toledo(0x29, 0x30, "000123"), "1230 still"},   // "XXXXX0"
          {toledo(0x2A, 0x30, "001234", true), "1234 still"},
          {toledo(0x2A, 0x34, "999999"), "refused 999999: " + kOver},
          {toledo(0x2A, 0x70, "000000"), "refused 0: " + T("เครื่องชั่งยังไม่ได้ปรับศูนย์ !")},
          {toledo(0x2A, 0x20, "000100"), "refused 100: " + kPounds},
          {toledo(0x2A, 0x30, "001234", true).substr(0, 17) + "\x2e", "bad checksum"},
          {toledo(0x2A, 0x30, "0012a4"), notFrame},
          {toledo(0x0A, 0x30, "001234"), notFrame},  // bit 5 of SWA clear
          {toledo(0x2A, 0x30, "001234").substr(0, 16) + "\n", notFrame},
          {toledo(0x2A, 0x30, "001234").substr(0, 12), notFrame}}},
        {scale::decodeXk3190,
         {{STX + "+0012340" + "1F" + ETX, "1234"}, {tf0('-', "001234", '2'), "-12"},
          {tf0('+', "001250", '2'), "13"},        {tf0('+', "151400", '1'), "15140"},
          {badXor, "bad checksum"},               {"=5.000000", "1"},  // 0.5
          {tf0('*', "001234", '0'), notFrame},    {tf0('+', "0012x4", '0'), notFrame},
          {"=00.1000-", "-1"},                    {"=04151000", "15140"},
          {"=00A10000", notFrame},                {"=0-100000", notFrame},
          {"=0.1.0000", notFrame},                {"=0415100", notFrame}}},
        {scale::decodeAscii,
         {{"ST,GS,+0012340kg\r\n", "12340 still"}, {"US,GS,-0000020kg\r\n", "-20 moving"},
          {"ST,NT, 12.5 kg\r", "13 still"},         {"ST,GS,+0001500g\r\n", "2 still"},
          {"ST,GS,+015.140t\r\n", "15140 still"},  {"st,gs,+0000007KG\n", "7 still"},
          {"ST,GS,+0000007\r\n", "7 still"},       {"WG004.139kg\r\n", "4"},
          {"WG004.139t\r\n", "4139"},              {"WG-04.139t\r\n", "-4139"},
          {"OL,GS,+9999999kg\r\n", "refused 0: " + kOver},
          {"OLWG999999kg\r\n", "refused 0: " + kOver},
          {"ST,GS,+0000100lb\r\n", "refused 0: " + kPounds},
          {"ST,GS,+0000100oz\r\n", notFrame},           {"XX,GS,+0000100kg\r\n", notFrame},
          {"+0000100kg\r\n", notFrame},                 {"ST,GS,+00-0100kg\r\n", notFrame},
          {"S,GS,+0000100kg\r\n", notFrame},            {"WGX004kg\r\n", notFrame},
          {"ST,GS,\r\n", notFrame}}},
    };
    for (const Format& f : formats) {
        for (const auto& [frame, says] : f.frames)
            EXPECT_EQ(said(f.decode(frame)), says) << frame;
    }
}

TEST(FrameFormats, DecimalsBecomeWholeKilograms)
{
    struct Case {
        const char* text;
        long long scale, divisor;
        std::optional<long long> kg;
    };
    const Case cases[] = {
        {"004.139", 1, 1, 4},   {"-", 1, 1, {}},
        {"1.5", 1, 1, 2},       {"-1.5", 1, 1, -2},   {"0.49", 1, 1, 0},    {".5", 1, 1, 1},
        {"2.5", 1000, 1, 2500}, {"1499", 1, 1000, 1}, {"1500", 1, 1000, 2}, {"+7", 1, 1, 7},
        {"000000000000000012", 1, 1, 12},             {"", 1, 1, {}},       {"1.2.3", 1, 1, {}},
        {"1 2", 1, 1, {}},      {".", 1, 1, {}},      {"1234567890123", 1, 1, {}},
        {"1.1234567", 1, 1, {}}, {"999999999999", 1000, 1, 999999999999000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scale::decimalKg(c.text, c.scale, c.divisor), c.kg) << c.text;
}

// The weight of each tick's frame, or how the tick ended without one.
Texts played(Player& p, const Ticks& ticks)
{
    Texts out;
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
    struct Case {
        const char* name;
        FrameKind kind;
        Ticks ticks;
        Texts said;
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
        Player s{Rules{.kind = c.kind}};
        EXPECT_EQ(played(s, c.ticks), c.said) << c.name;
    }
}

TEST(FrameFormatStreams, ToledoChecksumOnceSeenIsAwaitedAfterEveryFrame)
{
    Player s{Rules{.kind = FrameKind::Toledo}};
    const std::string next = toledo(0x2A, 0x30, "000500", true);
    std::string bad = toledo(0x2A, 0x30, "000600", true);
    bad[9] = '9';
    // Without checksums a frame is complete at CR when nothing follows, or at the next STX. After a
    // frame with a checksum the reader waits for the byte after CR; a wrong one is dropped and
    // counted, and the weight stays.
    EXPECT_EQ(played(s, {toledo(0x2A, 0x30, "000100"),
                         toledo(0x2A, 0x30, "000200") + toledo(0x2A, 0x30, "000300"),
                         toledo(0x2A, 0x30, "000400", true), next.substr(0, 17)}),
              (Texts{"100", "200", "400", "open"}));
    const auto r = s.arrive(next.substr(17));
    ASSERT_EQ(r.end, TickEnd::Frame);
    EXPECT_EQ(r.evaluation->weight, 500);
    EXPECT_EQ(played(s, {bad}), Texts{"bad checksum"});
    EXPECT_EQ(s.reader.badChecksums(), 1);
    EXPECT_EQ(s.reader.weight(), 500);
}

TEST(FrameFormatStreams, AMotionFlagOrARefusalHoldsStabilityBack)
{
    Player s{Rules{.kind = FrameKind::Toledo}};
    std::vector<int> repeat;
    for (int i = 0; i < 5; ++i) {
        const auto r = s.tick(toledo(0x2A, 0x38, "001000"));  // in motion
        ASSERT_EQ(r.end, TickEnd::Frame);
        EXPECT_FALSE(r.evaluation->stable || r.evaluation->autoAccept);
        repeat.push_back(r.evaluation->repeatCount);
    }
    EXPECT_EQ(repeat, (std::vector<int>{0, 1, 2, 3, 3}));
    EXPECT_FALSE(s.reader.acceptable(s.now));
    const auto still = s.tick(toledo(0x2A, 0x30, "001000"));
    EXPECT_TRUE(still.evaluation->stable && still.evaluation->autoAccept);

    // Flagged at rest but changing: the repeat rule still decides.
    Player x{Rules{.kind = FrameKind::Ascii}};
    x.tick("\n");
    std::vector<bool> stable;
    for (const char* w : {"+0000010", "+0000011", "+0000011", "+0000011", "+0000011"})
        stable.push_back(x.tick(std::string("ST,GS,") + w + "kg\r\n").evaluation->stable);
    EXPECT_EQ(stable, (std::vector<bool>{false, false, false, false, true}));

    // A refusal: never acceptable, and the count starts again.
    ASSERT_TRUE(x.reader.acceptable(x.now));
    auto r = x.tick("OL,GS,+9999999kg\r\n");
    ASSERT_EQ(r.end, TickEnd::Frame);
    EXPECT_EQ(r.evaluation->refusal, kOver);
    EXPECT_EQ(r.evaluation->zeroState, ZeroState::Reading);
    EXPECT_FALSE(x.reader.acceptable(x.now));
    r = x.tick("ST,GS,+0000011kg\r\n");
    EXPECT_EQ(r.evaluation->repeatCount, 0);
    EXPECT_TRUE(r.evaluation->refusal.empty());
}

// A good setting read as the mode of port n and the frame layout; a bad one refused with a reason.
TEST(PortSetting, ReadsFiveDigitRatesAndRejectsTextsOutOfFormWithAReason)
{
    const std::tuple<const char*, int, const char*> good[] = {
        {"09600,E,7,1,002,005,005", 1, "COM1:9600,E,7,1 2/5/5"},
        {"04800,o,8,2,061,001,007   ", 4, "COM4:4800,O,8,2 61/1/7"},
        {"00300,M,5,1,255,999,999", 3, "COM3:300,M,5,1 255/999/999"},
    };
    for (const auto& [text, port, read] : good) {
        std::string error;
        const auto p = scale::parsePortSetting(text, &error);
        ASSERT_TRUE(p) << text << ": " << error;
        EXPECT_EQ(p->modeText(port) + " " + std::to_string(p->frame.startChar) + "/" +
                      std::to_string(p->frame.headerLength) + "/" + std::to_string(p->frame.weightLength),
                  read);
    }
    const std::pair<const char*, const char*> bad[] = {  // and a part of the reason
        {"", "23 characters"},
        {"9600,E,7,1", "this one has 10"},
        {"09600;E,7,1,002,005,005", "character 6 must be a comma"},
        {"096O0,E,7,1,002,005,005", "the baud rate at characters 1-5"},
        {"00000,E,7,1,002,005,005", "above 0"},
        {"09600,X,7,1,002,005,005", "parity"},
        {"09600,E,9,1,002,005,005", "data bits"},
        {"09600,E,4,1,002,005,005", "data bits"},
        {"09600,E,7,3,002,005,005", "stop bits"},
        {"09600,E,7,1,256,005,005", "start character code"},
        {"09600,E,7,1, 02,005,005", "start character code at characters 13-15"},
        {"09600,E,7,1,002,000,005", "header length"},
        {"09600,E,7,1,002,005,000", "weight length"},
    };
    for (const auto& [text, reason] : bad) {
        std::string error;
        EXPECT_FALSE(scale::parsePortSetting(text, &error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << " -> " << error;
    }
}

TEST(PortSetting, PortDeviceAndReaderRulesFromTheSettings)
{
    core::Settings s;
    const std::pair<const char*, int> ports[] = {{"1", 1}, {" 3 ", 3}, {"4x", 4}, {"0", 0}, {"5", 0}, {"A", 0}};
    for (const auto& [text, port] : ports) {
        s.setText("CCPORT", text);
        EXPECT_EQ(scale::defaultPort(s), port) << '"' << text << '"';
    }

    s.setText("CCDEV2", "");
    EXPECT_EQ(scale::devicePath(s, 2), "/dev/ttyS1");
    s.setText("CCDEV2", " /dev/ttyUSB0 ");
    EXPECT_EQ(scale::devicePath(s, 2), "/dev/ttyUSB0");
    EXPECT_EQ(scale::devicePath(s, 4), "/dev/ttyS3");

    // "Minus", "Stable", "StatBit", "Zero" and "W.Read" become the reader's rules.
    const scale::FrameFormat six{.weightLength = 6};
    for (const bool on : {true, false}) {
        s.setText("CMINUS", on ? "1" : "0");
        s.setText("CZEROW", on ? "1" : "0");
        s.setText("CWREAD", on ? "2" : "1");
        s.setText("CSTABLE", "4");
        s.setText("CTLDST", "7");
        const scale::ReaderConfig c = scale::readerConfig(s, six);
        EXPECT_EQ(std::tie(c.signFromStatus, c.zeroFirst, c.handAccept), std::make_tuple(on, on, on));
        EXPECT_EQ(std::tie(c.stableCount, c.statusPosition, c.frame.weightLength), std::make_tuple(4, 7, 6));
    }

    const std::pair<const char*, int> timers[] = {{" 50", 50}, {"abc", 0}, {"-5", 0}};
    for (const auto& [text, ms] : timers) {
        s.setText("NINTERV", text);
        EXPECT_EQ(scale::timerInterval(s), ms) << text;
    }
}

// A weight too wide for the display shows as stars, never as a wrong number.
TEST(FrameReader, WeightText)
{
    const std::pair<long long, const char*> texts[] = {
        {0, "0 Kg."},         {1234, "1,234 Kg."},   {999999, "999,999 Kg."},
        {1000000, "***,*** Kg."}, {-99999, "-99,999 Kg."}, {-100000, "***,*** Kg."},
    };
    for (const auto& [kg, text] : texts)
        EXPECT_EQ(scale::weightText(kg), text) << kg;
}

}  // namespace
