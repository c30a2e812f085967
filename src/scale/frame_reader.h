// FrameReader: the indicator's byte stream turned into weights - frames found and decoded in the
// port's format (frame_formats.h), stability counting, the zero state machine, the silence rule and
// the age of the reading - with no I/O and no timer.
//
// The caller owns the timer and the port: when the timer fires it calls beginTick(), then service()
// with the port's receive queue each time bytes arrive or a short poll passes, until the tick ends
// (one frame evaluated, or the time rules ended it). Times are milliseconds of a monotonic clock
// passed in by the caller, so tests step them freely. One reader lives while one weight dialog is
// open; it is not thread-safe.
//
// The indicator frame (all lengths from the "Port#n" setting):
//
//   | start char | rest of the header ...      | weight characters ...  |
//   |<------------ header length ------------->|<--- weight length --->|
//
// The status character is the CTLDST-th byte of the frame (the start character is the first). There
// is no end character and no checksum: a frame ends at its length. In every format the rest of the
// read that completed a frame (CR, LF, the next frames) is dropped.
//
// A weight may be taken only while it is stable - the repeat count has reached S and, where the
// format has a motion flag, the flag says at rest - and fresh: its last real reading is at most
// `freshMs` old. A frame that repeats the previous weight (a control character in the indicator
// frame's weight) counts only after a real reading of this dialog, and never opens the zero gate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scale/byte_queue.h"
#include "scale/frame_formats.h"

namespace scale {

struct ReaderConfig {
    FrameKind kind = FrameKind::Indicator;  // "Format#n"
    FrameFormat frame{};                    // the indicator frame's layout
    int statusPosition = 3;       // CTLDST, 1-based within the frame
    bool signFromStatus = false;  // CMINUS is "1": the status byte's bit of value 2 means negative
    int stableCount = 3;          // S, from CSTABLE: equal frames that make a weight stable
    bool zeroFirst = false;       // CZEROW is "1": a stable zero must be seen first
    bool handAccept = false;      // CWREAD is "2": no automatic acceptance
    int silenceMs = 4000;         // the no-signal window, and the bound of one tick
    int freshMs = 1200;           // a reading older than this is never accepted
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
    std::optional<bool> motion;  // the frame's motion flag, when its format has one
    std::string status;          // the status byte or word, when the format has one
    std::string refusal;         // the indicator flags the reading as unusable: why (TIS-620)
};

enum class TickEnd {
    Open,      // still waiting for the rest of a frame
    Frame,     // a frame was evaluated
    NoSignal,  // silence with no frame begun, or no good frame for the window: zero state 3
    Dropped,   // silence after an incomplete frame, or a frame that failed its checks: dropped
};

enum class DropReason { Incomplete, BadChecksum, NotAFrame };

struct TickResult {
    TickEnd end = TickEnd::Open;
    std::optional<Evaluation> evaluation;  // with Frame
    std::string dropped;                   // with Dropped or NoSignal: the bytes given up (may be empty)
    DropReason reason = DropReason::Incomplete;
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
    // state 3 when no frame was begun, else dropping the incomplete frame. Bytes that keep coming
    // without forming a good frame are no signal either: once a tick has run `silenceMs`, the next
    // read that still completes no frame ends it with zero state 3, and so does a frame failing its
    // checks when no good frame came for `silenceMs`. The last weight is then not offered.
    TickResult service(ByteQueue& in, std::int64_t nowMs);

    // The port went away: zero state 3, the tick ended.
    void signalLost();

    // The accept button's rule: the weight is stable, the zero state is 2, and the reading is fresh.
    bool acceptable(std::int64_t nowMs) const;
    // The last real reading is at most `freshMs` old.
    bool fresh(std::int64_t nowMs) const;

    const ReaderConfig& config() const { return m_config; }
    long long weight() const { return m_weight; }
    long long previousWeight() const { return m_previous; }
    int repeatCount() const { return m_repeat; }
    bool stable() const { return m_stable; }
    ZeroState zeroState() const { return m_zero; }
    const std::string& frameText() const { return m_decoder.frame(); }
    // The indicator's own refusal of the last frame (TIS-620), else empty.
    const std::string& refusal() const { return m_refusal; }
    // Frames dropped for a wrong checksum, and byte runs that looked like a frame and were none.
    int badChecksums() const { return m_badChecksums; }
    int notFrames() const { return m_notFrames; }

private:
    TickResult frameDone(std::string_view rest, std::int64_t nowMs);
    Evaluation evaluate(const std::string& bytes, const FrameReading& reading, std::int64_t nowMs);

    ReaderConfig m_config;
    long long m_weight = 0;    // nWei
    long long m_previous = 0;  // nOldWei
    int m_repeat = 0;          // nChkW, 0..S
    ZeroState m_zero = ZeroState::Reading;
    std::optional<ZeroState> m_shown;  // the zero state whose colours are on screen
    bool m_stable = false;
    bool m_hasReading = false;         // a real reading came in this dialog (repeats count after it)
    std::int64_t m_lastReadingMs = 0;  // when it came
    std::optional<std::int64_t> m_lastGoodFrameMs;  // a frame that passed its checks, or the first tick
    std::string m_refusal;
    int m_badChecksums = 0;
    int m_notFrames = 0;
    bool m_tickOpen = false;
    std::int64_t m_tickStart = 0;
    std::int64_t m_lastActivity = 0;
    FrameDecoder m_decoder;
};

// DEC2BIN: 8 characters of 0 and 1 for n in 0..255, most significant bit first (2 gives
// "00000010"); only the low 8 bits of other values count.
std::string DEC2BIN(int n);

// The weight as the dialog shows it: the mask "999,999", trimmed, then " Kg."; a weight the mask
// cannot hold shows as "***,*** Kg.".
std::string weightText(long long kg);

}  // namespace scale
