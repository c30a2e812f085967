#include "scale/frame_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using scale::ByteQueue;
using scale::FrameReader;
using scale::ReaderConfig;
using scale::TickEnd;
using scale::ZeroState;

const std::string STX = "\x02";

// A frame of the default layout: STX, four header bytes with `status` third, five weight bytes.
std::string frame(const std::string& weight5, char status = '0')
{
    std::string f = STX + "0000" + weight5;
    f[2] = status;
    return f;
}

// Negative weights carry their sign in the weight field: "-0005".
std::string frameOf(long long kg, char status = '0')
{
    const std::string w = std::to_string(kg < 0 ? -kg : kg);
    return frame((kg < 0 ? "-" + std::string(4 - w.size(), '0') : std::string(5 - w.size(), '0')) + w, status);
}

// Plays ticks 300 ms apart: before each tick the bytes that arrived since the previous one.
struct Player {
    explicit Player(ReaderConfig c) : reader(c) {}

    scale::TickResult tick(const std::string& arrived)
    {
        now += 300;
        in.push(arrived);
        reader.beginTick(now);
        return reader.service(in, now);
    }
    std::vector<long long> weights(const std::vector<std::string>& ticks)
    {
        std::vector<long long> out;
        for (const auto& t : ticks) {
            const auto r = tick(t);
            out.push_back(r.end == TickEnd::Frame ? r.evaluation->weight : -999999);
        }
        return out;
    }

    FrameReader reader;
    ByteQueue in;
    std::int64_t now = 0;
};

using W = std::vector<long long>;
using Ticks = std::vector<std::string>;

TEST(FrameReader, AssemblesFramesFromTheByteStream)
{
    struct Case {
        const char* name;
        Ticks ticks;
        W weights;  // -999999: the tick stayed open
    };
    const Case cases[] = {
        {"plain frame", {STX + "000001234"}, {1234}},
        {"noise before the start character is skipped", {"zz\x7f\r\n9" + STX + "000001234"}, {1234}},
        {"decimal point dropped", {frame("012.5")}, {125}},
        {"a control character repeats the previous weight", {frameOf(1234), frame("01\r34")}, {1234, 1234}},
        {"the rest of the read after a frame is dropped",
         {frameOf(1234) + "\r\n" + frameOf(5678) + "\r\n", ""},
         {1234, -999999}},
        {"a frame split over two arrivals waits in the open tick", {STX + "0000", "01234"}, {-999999, 1234}},
        {"a start character inside the header is just a byte", {STX + "0" + STX + "0001234"}, {1234}},
        {"a start character inside the weight makes a repeat", {frameOf(9), STX + "0000" + STX + "1234"}, {9, 9}},
    };
    for (const Case& c : cases) {
        Player p{ReaderConfig{}};
        // A tick stays open across arrivals until a frame ends it.
        std::vector<long long> got;
        for (const auto& t : c.ticks) {
            p.in.push(t);
            if (!p.reader.tickOpen())
                p.reader.beginTick(p.now += 300);
            const auto r = p.reader.service(p.in, p.now);
            got.push_back(r.end == TickEnd::Frame ? r.evaluation->weight : -999999);
        }
        EXPECT_EQ(got, c.weights) << c.name;
    }
}

TEST(FrameReader, SignFromTheStatusByteOnlyWithMinus)
{
    ReaderConfig c;
    c.signFromStatus = true;
    Player minus{c};
    const W got = minus.weights(Ticks(5, frameOf(1234, '2')));
    EXPECT_EQ(got, W(5, -1234));
    EXPECT_EQ(minus.reader.zeroState(), ZeroState::Reading);  // stable but negative
    EXPECT_FALSE(minus.reader.acceptable(minus.now));

    Player plain{ReaderConfig{}};
    EXPECT_EQ(plain.weights({frameOf(1234, '2')}), W{1234});

    // Bit of value 2 only: '1' (0x31) and '4' (0x34) leave the sign alone, '3' and '6' set it.
    Player bits{c};
    EXPECT_EQ(bits.weights({frameOf(5, '1'), frameOf(5, '4'), frameOf(5, '3'), frameOf(5, '6')}), (W{5, 5, -5, -5}));

    // A status position outside the frame reads as no status at all.
    c.statusPosition = 40;
    Player outside{c};
    EXPECT_EQ(outside.weights({frameOf(5, '2')}), W{5});
}

TEST(FrameReader, ARepeatedFrameKeepsANegativeWeightNegative)
{
    ReaderConfig c;
    c.signFromStatus = true;
    Player p{c};
    EXPECT_EQ(p.weights({frameOf(1234, '2'), frame("01\r34", '2'), frame("01\r34", '0')}), (W{-1234, -1234, -1234}));
    EXPECT_EQ(p.reader.repeatCount(), 2);
}

TEST(FrameReader, ANegativeReadingStaysNegativeHoweverManyPlacesSaySo)
{
    ReaderConfig c;
    c.signFromStatus = true;
    Player p{c};
    // The status bit and the digits both say negative: still -1234, not +1234.
    EXPECT_EQ(p.weights({frameOf(-1234, '2'), frameOf(-1234, '0'), frame("0-123", '0'), frame("0-123", '2')}),
              (W{-1234, -1234, -123, -123}));
}

TEST(FrameReader, RepeatsOfNothingNeverCountNorOpenTheZeroGate)
{
    const std::string repeat = frame("01\r34");
    struct Case {
        const char* name;
        bool zeroFirst;
        Ticks ticks;
        std::vector<int> states;
        std::vector<int> counts;
    };
    const Case cases[] = {
        {"repeats before any reading: no stable 0", false, Ticks(6, repeat), {1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}},
        {"nor an opened zero gate", true, Ticks(6, repeat), {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
        {"after a real reading they count",
         false,
         {frameOf(15140), repeat, repeat, repeat},
         {1, 1, 1, 2},
         {0, 1, 2, 3}},
        {"a repeated real zero is stable, but only a real zero opens the gate",
         true,
         {frameOf(0), repeat, repeat, repeat, frameOf(0)},
         {0, 0, 0, 0, 2},
         {1, 2, 3, 3, 3}},
    };
    for (const Case& c : cases) {
        ReaderConfig cfg;
        cfg.zeroFirst = c.zeroFirst;
        Player p{cfg};
        std::vector<int> states, counts;
        for (const auto& t : c.ticks) {
            const auto r = p.tick(t);
            ASSERT_EQ(r.end, TickEnd::Frame) << c.name;
            states.push_back(int(r.evaluation->zeroState));
            counts.push_back(r.evaluation->repeatCount);
        }
        EXPECT_EQ(states, c.states) << c.name;
        EXPECT_EQ(counts, c.counts) << c.name;
    }
}

TEST(FrameReader, AReadingOlderThanTheFreshWindowIsNeverAcceptable)
{
    ReaderConfig c;
    c.freshMs = 1200;
    c.handAccept = true;
    Player p{c};
    for (int i = 0; i < 4; ++i)
        p.tick(frameOf(8000));
    EXPECT_TRUE(p.reader.acceptable(p.now + 1200));
    EXPECT_FALSE(p.reader.acceptable(p.now + 1201));
    // Repeats keep the weight but do not make it fresh again.
    c.handAccept = false;
    c.freshMs = 500;
    Player q{c};
    q.tick(frameOf(8000));
    bool accepted = false;
    for (int i = 0; i < 6; ++i)
        accepted = q.tick(frame("80\r00")).evaluation->autoAccept || accepted;
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(q.reader.acceptable(q.now));
}

TEST(FrameReader, StabilityAndAutomaticAcceptance)
{
    struct Case {
        const char* name;
        int stable;
        bool handAccept;
        std::vector<long long> frames;
        std::vector<int> repeat;
        int acceptedAt;  // 1-based frame that closes the dialog by itself, 0 none
    };
    const Case cases[] = {
        {"Stable 3: the fourth equal frame", 3, false, {1000, 1000, 1000, 1000}, {0, 1, 2, 3}, 4},
        {"W.Read 2 never closes by itself", 3, true, {1000, 1000, 1000, 1000, 1000}, {0, 1, 2, 3, 3}, 0},
        {"a change starts the count again", 2, false, {500, 500, 510, 510, 510}, {0, 1, 0, 1, 2}, 5},
        {"the count stops at S", 2, true, {7, 7, 7, 7, 7, 7}, {0, 1, 2, 2, 2, 2}, 0},
        {"a first frame of 0 already counts once", 2, false, {0, 0, 0}, {1, 2, 2}, 0},
    };
    for (const Case& c : cases) {
        ReaderConfig cfg;
        cfg.stableCount = c.stable;
        cfg.handAccept = c.handAccept;
        Player p{cfg};
        int accepted = 0;
        std::vector<int> repeat;
        for (std::size_t i = 0; i < c.frames.size(); ++i) {
            const auto r = p.tick(frameOf(c.frames[i]));
            ASSERT_EQ(r.end, TickEnd::Frame) << c.name;
            repeat.push_back(r.evaluation->repeatCount);
            if (r.evaluation->autoAccept && !accepted)
                accepted = int(i + 1);
        }
        EXPECT_EQ(repeat, c.repeat) << c.name;
        EXPECT_EQ(accepted, c.acceptedAt) << c.name;
    }
}

TEST(FrameReader, ZeroStateFollowsItsTransitionTable)
{
    struct Case {
        const char* name;
        bool zeroFirst;
        std::vector<long long> frames;
        std::vector<int> states;
    };
    const Case cases[] = {
        {"loaded scale stays waiting for zero", true, {8000, 8000, 8000, 8000, 8000, 8000}, {0, 0, 0, 0, 0, 0}},
        {"a stable zero opens the way, then a stable load",
         true,
         {8000, 0, 0, 0, 0, 8000, 8000, 8000, 8000},
         {0, 0, 0, 0, 2, 1, 1, 1, 2}},
        {"without Zero: reading, then acceptable when stable", false, {300, 300, 300, 300, 301}, {1, 1, 1, 2, 1}},
        {"a negative stable weight is not acceptable", false, {-5, -5, -5, -5}, {1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        ReaderConfig cfg;
        cfg.zeroFirst = c.zeroFirst;
        Player p{cfg};
        EXPECT_EQ(int(p.reader.zeroState()), c.zeroFirst ? 0 : 1) << c.name;
        std::vector<int> states;
        for (const long long kg : c.frames)
            states.push_back(int(p.tick(frameOf(kg)).evaluation->zeroState));
        EXPECT_EQ(states, c.states) << c.name;
    }
}

TEST(FrameReader, AStableZeroIsAcceptableButNotTakenByItself)
{
    Player p{ReaderConfig{}};
    bool autoAccept = false;
    for (int i = 0; i < 6; ++i)
        autoAccept = autoAccept || p.tick(frameOf(0)).evaluation->autoAccept;
    EXPECT_FALSE(autoAccept);
    EXPECT_TRUE(p.reader.acceptable(p.now));  // the accept button takes it
}

TEST(FrameReader, ColoursChangeOnlyWhenTheZeroStateDoes)
{
    Player p{ReaderConfig{}};
    std::vector<bool> recolour;
    for (const long long kg : {10, 10, 10, 10, 10, 11})
        recolour.push_back(p.tick(frameOf(kg)).evaluation->recolour);
    EXPECT_EQ(recolour, (std::vector<bool>{true, false, false, true, false, true}));
}

TEST(FrameReader, FourSecondsWithoutBytesIsNoSignal)
{
    // Skipped noise counts as signal: the four seconds run from the last byte, not the tick's start.
    for (const std::string noise : {"", "noise"}) {
        FrameReader r{ReaderConfig{}};
        ByteQueue in;
        r.beginTick(noise.empty() ? 1000 : 0);
        in.push(noise);
        EXPECT_EQ(r.service(in, 1000).end, TickEnd::Open) << noise;
        EXPECT_EQ(r.service(in, 4999).end, TickEnd::Open) << noise;
        EXPECT_EQ(r.service(in, 5000).end, TickEnd::NoSignal) << noise;
        EXPECT_EQ(r.zeroState(), ZeroState::NoSignal);
        EXPECT_FALSE(r.tickOpen());
    }
}

TEST(FrameReader, AnIncompleteFrameThenSilenceIsDroppedAndReadingGoesOn)
{
    FrameReader r{ReaderConfig{}};
    ByteQueue in;
    r.beginTick(0);
    in.push(STX + "000");
    EXPECT_EQ(r.service(in, 500).end, TickEnd::Open);
    EXPECT_EQ(r.service(in, 4499).end, TickEnd::Open);  // silence counts from the last byte
    const auto dropped = r.service(in, 4500);
    EXPECT_EQ(dropped.end, TickEnd::Dropped);
    EXPECT_EQ(dropped.dropped, STX + "000");
    EXPECT_EQ(r.zeroState(), ZeroState::Reading);

    in.push(frameOf(42));
    r.beginTick(4800);
    const auto next = r.service(in, 4800);
    ASSERT_EQ(next.end, TickEnd::Frame);
    EXPECT_EQ(next.evaluation->weight, 42);
}

TEST(FrameReader, BytesThatNeverFormAFrameForFourSecondsAreNoSignal)
{
    // A stable load, then the indicator sends only junk: silence never comes, but after four
    // seconds without a frame the state drops to no signal and the old weight is not offered.
    Player p{ReaderConfig{}};
    for (int i = 0; i < 4; ++i)
        p.tick(frameOf(15140));
    ASSERT_TRUE(p.reader.acceptable(p.now));
    p.reader.beginTick(p.now += 300);
    const std::int64_t start = p.now;
    for (std::int64_t t = start; t < start + 4000; t += 100) {
        p.in.push("junk");
        ASSERT_EQ(p.reader.service(p.in, t).end, TickEnd::Open) << t;
        if (t >= start + 1500) {
            EXPECT_FALSE(p.reader.acceptable(t)) << t;  // stale long before
        }
    }
    p.in.push("junk");
    EXPECT_EQ(p.reader.service(p.in, start + 4000).end, TickEnd::NoSignal);
    EXPECT_EQ(p.reader.zeroState(), ZeroState::NoSignal);
    EXPECT_FALSE(p.reader.tickOpen());
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
    const std::string first = q.read();
    EXPECT_EQ(first.size(), 1024u);
    EXPECT_EQ(first, bytes.substr(952, 1024));
    EXPECT_EQ(q.read(), bytes.substr(1976));
    EXPECT_TRUE(q.read().empty());
}

TEST(FrameReader, RdvalTable)
{
    struct Case {
        const char* text;
        long long expected;
        bool repeat;
    };
    const Case cases[] = {
        {"01234", 1234, false}, {"012.5", 125, false}, {"+1234", 1234, false}, {"-0050", -50, false},
        {"0-123", -123, false}, {"00+45", 45, false},   {" 0-12", -12, false},
        {"12-34", 12, false},   {"", 0, false},        {"ABCDE", 0, false},     {"1\r234", 77, true},
        {" 12 3", 123, false}, {"\t", 77, true},       {"\x7f" "12", 12, false}, {"99999999999999999", 999'999'999'999LL, false},
    };
    for (const Case& c : cases) {
        bool repeat = false;
        EXPECT_EQ(scale::RDVAL(c.text, 77, &repeat), c.expected) << c.text;
        EXPECT_EQ(repeat, c.repeat) << c.text;
    }
}

TEST(FrameReader, Dec2BinAndWeightText)
{
    EXPECT_EQ(scale::DEC2BIN(0), "00000000");
    EXPECT_EQ(scale::DEC2BIN(2), "00000010");
    EXPECT_EQ(scale::DEC2BIN(0x32), "00110010");
    EXPECT_EQ(scale::DEC2BIN(255), "11111111");

    const std::pair<long long, const char*> texts[] = {
        {0, "0 Kg."},          {1234, "1,234 Kg."},     {12000, "12,000 Kg."},  {999999, "999,999 Kg."},
        {1000000, "***,*** Kg."}, {-1234, "-1,234 Kg."}, {-99999, "-99,999 Kg."}, {-100000, "***,*** Kg."},
    };
    for (const auto& [kg, text] : texts)
        EXPECT_EQ(scale::weightText(kg), text) << kg;
}

}  // namespace
