// FrameReader: the indicator's byte stream turned into weights - frame assembly, RDVAL, the sign
// bit, stability counting, the zero state machine and the silence rule - with no I/O and no timer.
//
// The caller owns the timer and the port: when the timer fires it calls beginTick(), then service()
// with the port's receive queue each time bytes arrive or a short poll passes, until the tick ends
// (one frame evaluated, or the time rules ended it). Times are milliseconds of a monotonic clock
// passed in by the caller, so tests step them freely. One reader lives while one weight dialog is
// open; it is not thread-safe.
//
// A frame (all lengths from the "Port#n" setting):
//
//   | start char | rest of the header ...      | weight characters ...  |
//   |<------------ header length ------------->|<--- weight length --->|
//
// The status character is the CTLDST-th byte of the frame (the start character is the first). There
// is no end character and no checksum: a frame ends at its length, and the rest of the read that
// completed it (CR, LF, the next frames) is dropped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scale/byte_queue.h"

namespace scale {

struct FrameFormat {
    unsigned char startChar = 2;  // STX
    int headerLength = 5;         // start character included
    int weightLength = 5;
    int length() const { return headerLength + weightLength; }
};

struct ReaderConfig {
    FrameFormat frame;
    int statusPosition = 3;        // CTLDST, 1-based within the frame
    bool signFromStatus = false;   // CMINUS is "1": the status byte's bit of value 2 means negative
    int stableCount = 3;           // S, from CSTABLE: equal frames that make a weight stable
    bool zeroFirst = false;        // CZEROW is "1": a stable zero must be seen first
    bool handAccept = false;       // CWREAD is "2": no automatic acceptance
    int silenceMs = 4000;          // the no-signal window, and the bound of one tick
};

// nZeroW.
enum class ZeroState { WaitingForZero = 0, Reading = 1, Acceptable = 2, NoSignal = 3 };

// What one evaluated frame gave.
struct Evaluation {
    std::string frame;        // the frame's bytes as received
    long long weight = 0;     // signed kilograms
    bool repeat = false;      // the weight held a control character: the previous weight stands
    bool stable = false;
    int repeatCount = 0;
    ZeroState zeroState = ZeroState::Reading;
    bool recolour = false;    // the zero state differs from the one last shown
    bool autoAccept = false;  // stable, above 0, acceptable and "W.Read" not "2": close the dialog
};

enum class TickEnd {
    Open,      // still waiting for the rest of a frame
    Frame,     // a frame was evaluated
    NoSignal,  // silence with no frame begun: zero state 3
    Dropped,   // silence after an incomplete frame, or no complete frame within the bound: dropped
};

struct TickResult {
    TickEnd end = TickEnd::Open;
    std::optional<Evaluation> evaluation;  // with Frame
    std::string dropped;                   // with Dropped: the incomplete frame (may be empty)
};

class FrameReader {
public:
    explicit FrameReader(const ReaderConfig& config);

    // READW's reset: zero state 0 when a stable zero must come first, else 1; weights and the
    // repeat count 0; no tick open.
    void reset();

    // RCOMM step 1: a tick begins; the frame text is emptied and the last activity is now.
    void beginTick(std::int64_t nowMs);
    bool tickOpen() const { return m_tickOpen; }

    // RCOMM step 2 for what has arrived: reads the queue (1024 bytes at a time) until a frame is
    // complete or the queue is empty, then applies the time rules. A frame ends the tick and drops
    // the rest of the read that completed it. Opens a tick first when none is open.
    //
    // Time rules: before every read, `silenceMs` since the last byte ends the tick - with zero
    // state 3 when no start character was seen, else dropping the incomplete frame. And a tick
    // that bytes keep alive without ever completing a frame is bounded: once it has run
    // `silenceMs`, the next read that still completes no frame ends it like an incomplete frame
    // (no zero state change). The bound acts only while bytes arrive, so when they stop the
    // silence rule above decides, from the last byte, exactly as without it.
    TickResult service(ByteQueue& in, std::int64_t nowMs);

    // The port went away: zero state 3, the tick ended.
    void signalLost();

    // The accept button's rule: the repeat count has reached S and the zero state is 2.
    bool acceptable() const;

    const ReaderConfig& config() const { return m_config; }
    long long weight() const { return m_weight; }
    long long previousWeight() const { return m_previous; }
    int repeatCount() const { return m_repeat; }
    bool stable() const { return m_repeat >= m_config.stableCount; }
    ZeroState zeroState() const { return m_zero; }
    const std::string& frameText() const { return m_frame; }

private:
    Evaluation evaluate();

    ReaderConfig m_config;
    long long m_weight = 0;    // nWei
    long long m_previous = 0;  // nOldWei
    int m_repeat = 0;          // nChkW, 0..S
    ZeroState m_zero = ZeroState::Reading;
    std::optional<ZeroState> m_shown;  // the zero state whose colours are on screen
    bool m_tickOpen = false;
    std::int64_t m_tickStart = 0;
    std::int64_t m_lastActivity = 0;
    std::string m_frame;
};

// RDVAL: the weight characters as a number. Only "+", "-" and the digits are kept ("012.5" reads
// 125); a control character (below 32) anywhere makes the frame a repeat: the result is `previous`.
// Results are kept within +/-999,999,999,999.
long long RDVAL(std::string_view text, long long previous, bool* repeat = nullptr);

// DEC2BIN: 8 characters of 0 and 1 for n in 0..255, most significant bit first (2 gives
// "00000010"); only the low 8 bits of other values count.
std::string DEC2BIN(int n);

// The weight as the dialog shows it: the mask "999,999", trimmed, then " Kg."; a weight the mask
// cannot hold shows as "***,*** Kg.".
std::string weightText(long long kg);

}  // namespace scale
