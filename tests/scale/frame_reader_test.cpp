#include "scale/frame_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "scale_fixture.h"

namespace {

using scale::ByteQueue;
using scale::FrameReader;
using scale::TickEnd;
using scale::ZeroState;
using scaletest::frame;
using scaletest::frameOf;
using scaletest::Player;
using scaletest::Rules;
using scaletest::STX;

using W = std::vector<long long>;
using Ticks = std::vector<std::string>;
constexpr long long kOpen = Player::kNoFrame;

TEST(FrameReader, AssemblesFramesFromTheByteStream)
{
    struct Case {
        const char* name;
        Ticks ticks;
        W weights;  // kOpen: the tick stayed open
    };
    const Case cases[] = {
        {"plain frame", {STX + "000001234"}, {1234}},
        {"noise before the start character is skipped", {"zz\x7f\r\n9" + STX + "000001234"}, {1234}},
        {"decimal point dropped", {frame("012.5")}, {125}},
        {"a control character repeats the previous weight", {frameOf(1234), frame("01\r34")}, {1234, 1234}},
        {"the rest of the read after a frame is dropped",
         {frameOf(1234) + "\r\n" + frameOf(5678) + "\r\n", ""},
         {1234, kOpen}},
        {"a frame split over two arrivals waits in the open tick", {STX + "0000", "01234"}, {kOpen, 1234}},
        {"a start character inside the header is just a byte", {STX + "0" + STX + "0001234"}, {1234}},
        {"a start character inside the weight makes a repeat", {frameOf(9), STX + "0000" + STX + "1234"}, {9, 9}},
    };
    for (const Case& c : cases) {
        Player p;
        // A tick stays open across arrivals until a frame ends it.
        std::vector<long long> got;
        for (const auto& t : c.ticks) {
            p.in.push(t);
            if (!p.reader.tickOpen())
                p.reader.beginTick(p.now += 300);
            const auto r = p.reader.service(p.in, p.now);
            got.push_back(r.end == TickEnd::Frame ? r.evaluation->weight : kOpen);
        }
        EXPECT_EQ(got, c.weights) << c.name;
    }
}

TEST(FrameReader, TheSignOfAWeight)
{
    // With "Minus" the status byte's bit of value 2 makes a weight negative: '1' (0x31) and '4'
    // (0x34) leave the sign alone, '3' and '6' set it.
    const Rules minus{.signFromStatus = true};
    struct Case {
        const char* name;
        Rules rules;
        Ticks ticks;
        W weights;
    };
    const Case cases[] = {
        {"the status bit with Minus", minus, Ticks(3, frameOf(1234, '2')), W(3, -1234)},
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
        EXPECT_EQ(p.weights(c.ticks), c.weights) << c.name;
    }
}

TEST(FrameReader, AReadingOlderThanTheFreshWindowIsNeverAcceptable)
{
    Player p{Rules{.handAccept = true, .freshMs = 1200}};
    p.weights(Ticks(4, frameOf(8000)));
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
}

// Frames of these weights, one a tick.
Ticks loads(std::initializer_list<long long> kgs)
{
    Ticks out;
    for (const long long kg : kgs)
        out.push_back(frameOf(kg));
    return out;
}

template <typename T>
void expectUnlessEmpty(const std::vector<T>& got, const std::vector<T>& want)
{
    if (!want.empty()) {
        EXPECT_EQ(got, want);
    }
}

TEST(FrameReader, RepeatsStabilityZeroStateAndAutomaticAcceptance)
{
    const std::string repeat = frame("01\r34");
    const Rules zeroFirst{.zeroFirst = true};
    struct Case {
        const char* name;
        Rules rules;
        Ticks ticks;
        std::vector<int> states;  // the zero state after each tick; empty: not checked
        std::vector<int> counts;  // the repeat count after each tick; empty: not checked
        int acceptedAt = -1;      // 1-based tick that closes the dialog by itself, 0 none, -1 not checked
        std::vector<bool> recolour = {};
    };
    const Case cases[] = {
        {"repeats before any reading: no stable 0", {}, Ticks(6, repeat), {1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}},
        {"nor an opened zero gate", zeroFirst, Ticks(6, repeat), {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
        {"after a real reading repeats count", {}, {frameOf(15140), repeat, repeat, repeat}, {1, 1, 1, 2}, {0, 1, 2, 3}},
        {"a repeated real zero is stable, but only a real zero opens the gate", zeroFirst,
         {frameOf(0), repeat, repeat, repeat, frameOf(0)}, {0, 0, 0, 0, 2}, {1, 2, 3, 3, 3}},
        {"Stable 3: the fourth equal frame", {.stableCount = 3}, loads({1000, 1000, 1000, 1000}), {}, {0, 1, 2, 3}, 4},
        {"W.Read 2 never closes by itself", {.stableCount = 3, .handAccept = true},
         loads({1000, 1000, 1000, 1000, 1000}), {}, {0, 1, 2, 3, 3}, 0},
        {"a change starts the count again", {.stableCount = 2}, loads({500, 500, 510, 510, 510}), {}, {0, 1, 0, 1, 2}, 5},
        {"the count stops at S", {.stableCount = 2, .handAccept = true}, loads({7, 7, 7, 7, 7, 7}), {},
         {0, 1, 2, 2, 2, 2}, 0},
        {"a first frame of 0 already counts once; a stable 0 is never taken by itself", {.stableCount = 2},
         loads({0, 0, 0}), {}, {1, 2, 2}, 0},
        {"a loaded scale stays waiting for zero", zeroFirst, loads({8000, 8000, 8000, 8000, 8000, 8000}),
         {0, 0, 0, 0, 0, 0}, {}},
        {"a stable zero opens the way, then a stable load", zeroFirst,
         loads({8000, 0, 0, 0, 0, 8000, 8000, 8000, 8000}), {0, 0, 0, 0, 2, 1, 1, 1, 2}, {}},
        {"without Zero: reading, then acceptable when stable", {}, loads({300, 300, 300, 300, 301}), {1, 1, 1, 2, 1}, {}},
        {"a negative stable weight is not acceptable", {}, loads({-5, -5, -5, -5}), {1, 1, 1, 1}, {}},
        {"colours change only when the zero state does", {}, loads({10, 10, 10, 10, 10, 11}), {}, {}, -1,
         {true, false, false, true, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Player p{c.rules};
        EXPECT_EQ(int(p.reader.zeroState()), c.rules.zeroFirst ? 0 : 1);
        std::vector<int> states, counts;
        std::vector<bool> recolour;
        int accepted = 0;
        for (const auto& t : c.ticks) {
            const auto r = p.tick(t);
            ASSERT_EQ(r.end, TickEnd::Frame);
            states.push_back(int(r.evaluation->zeroState));
            counts.push_back(r.evaluation->repeatCount);
            recolour.push_back(r.evaluation->recolour);
            if (r.evaluation->autoAccept && !accepted)
                accepted = int(states.size());
        }
        expectUnlessEmpty(states, c.states);
        expectUnlessEmpty(counts, c.counts);
        expectUnlessEmpty(recolour, c.recolour);
        if (c.acceptedAt >= 0) {
            EXPECT_EQ(accepted, c.acceptedAt);
        }
    }
}

TEST(FrameReader, FourSecondsWithoutBytesEndTheTick)
{
    // Silence counts from the last byte, not from the tick's start: skipped noise is signal, and
    // the bytes of a frame never finished are dropped without losing the signal.
    struct Case {
        const char* name;
        std::int64_t tickStart;
        std::string bytes;  // arrive at 1000
        TickEnd end;        // at 5000
        ZeroState state;
    };
    const Case cases[] = {
        {"nothing since the tick began", 1000, "", TickEnd::NoSignal, ZeroState::NoSignal},
        {"noise", 0, "noise", TickEnd::NoSignal, ZeroState::NoSignal},
        {"a frame cut short", 0, STX + "000", TickEnd::Dropped, ZeroState::Reading},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameReader r{Rules{}};
        ByteQueue in;
        r.beginTick(c.tickStart);
        in.push(c.bytes);
        EXPECT_EQ(r.service(in, 1000).end, TickEnd::Open);
        EXPECT_EQ(r.service(in, 4999).end, TickEnd::Open);
        const auto last = r.service(in, 5000);
        EXPECT_EQ(last.end, c.end);
        if (c.end == TickEnd::Dropped) {
            EXPECT_EQ(last.dropped, c.bytes);
        }
        EXPECT_EQ(r.zeroState(), c.state);
        EXPECT_FALSE(r.tickOpen());
    }
}

TEST(FrameReader, BytesThatNeverFormAFrameForFourSecondsAreNoSignal)
{
    // A stable load, then the indicator sends only junk: silence never comes, but after four
    // seconds without a frame the state drops to no signal and the old weight is not offered.
    Player p;
    p.weights(Ticks(4, frameOf(15140)));
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
    EXPECT_EQ(q.read(), bytes.substr(952, 1024));  // a read takes at most 1024
    EXPECT_EQ(q.read(), bytes.substr(1976));
    EXPECT_TRUE(q.read().empty());
}

TEST(FrameReader, RdvalTable)
{
    // 77 is the previous weight: it comes back, with the repeat mark, when a control character stands
    // in the weight.
    const std::pair<const char*, long long> cases[] = {
        {"01234", 1234}, {"012.5", 125}, {"+1234", 1234}, {"-0050", -50},   {"0-123", -123},
        {"00+45", 45},   {" 0-12", -12}, {"12-34", 12},   {"", 0},          {"ABCDE", 0},
        {"1\r234", 77},  {" 12 3", 123}, {"\t", 77},     {"\x7f" "12", 12}, {"99999999999999999", 999'999'999'999LL},
    };
    for (const auto& [text, kg] : cases) {
        bool repeat = false;
        EXPECT_EQ(scale::RDVAL(text, 77, &repeat), kg) << text;
        EXPECT_EQ(repeat, kg == 77) << text;
    }
}

TEST(FrameReader, WeightText)
{
    const std::pair<long long, const char*> texts[] = {
        {0, "0 Kg."},          {1234, "1,234 Kg."},     {12000, "12,000 Kg."},  {999999, "999,999 Kg."},
        {1000000, "***,*** Kg."}, {-1234, "-1,234 Kg."}, {-99999, "-99,999 Kg."}, {-100000, "***,*** Kg."},
    };
    for (const auto& [kg, text] : texts)
        EXPECT_EQ(scale::weightText(kg), text) << kg;
}

}  // namespace
