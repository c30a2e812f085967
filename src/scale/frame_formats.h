// The frame formats an indicator may speak, per port ("Comm" "Format#n"): how a frame is found in
// the byte stream and what it says. The frame reader (frame_reader.h) keeps the stability and zero
// rules; this file knows only bytes. No I/O, no clock.
//
// indicator  the frame of "Port#n": start character, header, weight characters, fixed length; the
//            sign from the status byte ("Minus", "StatBit") or from the digits; a control character
//            in the weight repeats the previous weight.
// toledo     STX SWA SWB SWC, 6 weight digits, 6 tare digits, CR, and an optional checksum byte
//            (the 7-bit sum of every byte of the frame, checksum included, is 0):
//              SWA bits 0-2  decimal point: 0 "XX00", 1 "XXXXX0", 2 none, 3..7 one to five decimals
//              SWB bit 1     negative            bit 2  over or under range
//                  bit 3     in motion           bit 4  kilograms (clear: pounds)
//                  bit 6     not zeroed since power-up
//            A frame with a checksum byte makes the reader expect one after every later frame.
// xk3190     two frames, told apart by their first byte:
//              tf0  STX, '+' or '-', 6 digits, the decimal places '0'..'5', the XOR of the 8 bytes
//                   after STX as two characters (high nibble first, 0-9 A-F), ETX - 12 bytes;
//              "="  '=' and the 8 characters of the display sent last first, so the sign (if any)
//                   comes last: -1.00 is sent "=00.1000-" - 9 bytes.
//            Neither has a motion flag.
// ascii      one line, ended by CR or LF: "ST,GS,+0012340kg" - status ST (stable), US (in motion),
//            OL (over range), the kind GS or NT (also GW, NW, WG, WN), the signed weight with an
//            optional decimal point, the unit (kg, t, g; lb refused; none means kg) - or the same
//            without commas ("WG004.139kg"). A frame starts only at the beginning of a line.
//
// Weights with decimals or in tonnes or grams become whole kilograms, halves rounded away from zero.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scale {

// The frame formats a "Comm" "Format#n" key may name; the first is the default and the indicator
// frame of "Port#n".
enum class FrameKind { Indicator, Toledo, Xk3190, Ascii };
inline constexpr std::array<const char*, 4> kFrameFormats = {"indicator", "toledo", "xk3190", "ascii"};

// "indicator", "toledo", "xk3190" or "ascii", without regard to letter case or surrounding blanks;
// an empty text is "indicator". Nothing for any other text.
std::optional<FrameKind> frameKindNamed(std::string_view name);
const char* frameKindName(FrameKind kind);

// The fixed layout of the indicator frame ("Port#n" characters 13 to 23).
struct FrameFormat {
    unsigned char startChar = 2;  // STX
    int headerLength = 5;         // start character included
    int weightLength = 5;
    int length() const { return headerLength + weightLength; }
};

// The indicator frame's sign rules ("Minus", "StatBit").
struct IndicatorSign {
    int statusPosition = 3;       // CTLDST, 1-based within the frame
    bool signFromStatus = false;  // CMINUS is "1": the status byte's bit of value 2 means negative
};

// What one frame says.
struct FrameReading {
    enum class Outcome {
        Weight,       // a reading
        Repeat,       // indicator: a control character in the weight; the previous weight stands
        Refused,      // a reading the indicator itself flags as unusable; `refusal` says why
        BadChecksum,  // dropped
        NotAFrame,    // dropped: the bytes do not follow the format
    };
    Outcome outcome = Outcome::NotAFrame;
    long long kg = 0;            // signed whole kilograms (Weight; Refused when the digits read)
    std::optional<bool> motion;  // the frame's own motion flag, when the format has one
    std::string refusal;         // Refused: the operator's message, TIS-620
    std::string status;          // the status byte (indicator) or status word (toledo SWB), if any
};

// Finds frames of one format in a byte stream, one byte at a time, and decodes them. State: the
// frame being gathered, whether the stream is at the start of a line (ascii), and whether a
// checksum byte follows a toledo frame.
class FrameDecoder {
public:
    FrameDecoder(FrameKind kind, const FrameFormat& layout, const IndicatorSign& sign);

    enum class Push {
        Skipped,         // not part of a frame
        Added,           // the frame goes on
        Complete,        // frame() holds a whole frame, this byte its last
        CompleteBefore,  // frame() holds a whole frame and this byte is not part of it (a toledo
                         // frame without checksum meets the next frame's STX)
    };
    // One byte of the stream.
    Push push(char c);
    // No more bytes are at hand: true when the frame gathered so far is complete as it is (a toledo
    // frame ended by CR whose stream carries no checksum).
    bool completeAtEnd();
    // The bytes after a frame that the reader did not look at: a line starts after them when they
    // end a line (or are none).
    void skipped(std::string_view rest);
    // A new tick: the frame gathered so far is forgotten.
    void restart() { m_frame.clear(); }

    const std::string& frame() const { return m_frame; }
    // The frame held by frame(), then forgotten. `previous` is the weight a repeat stands for.
    FrameReading take(long long previous);

    FrameKind kind() const { return m_kind; }
    const FrameFormat& layout() const { return m_layout; }
    // The bytes a complete frame of this format can hold at most.
    std::size_t maxLength() const;

private:
    Push pushIndicator(char c);
    Push pushToledo(char c);
    Push pushXk3190(char c);
    Push pushAscii(char c);

    FrameKind m_kind;
    FrameFormat m_layout;
    IndicatorSign m_sign;
    std::string m_frame;
    bool m_lineStart = false;      // ascii: the next byte begins a line
    bool m_toledoChecksum = false; // toledo: frames of this stream end with a checksum byte
};

// Decodes one whole frame of a format (as FrameDecoder gathers it) with no stream state.
FrameReading decodeToledo(std::string_view frame);
FrameReading decodeXk3190(std::string_view frame);
FrameReading decodeAscii(std::string_view line);
FrameReading decodeIndicator(std::string_view frame, const FrameFormat& layout, const IndicatorSign& sign,
                             long long previous);

// RDVAL: the weight characters as a number. Only "+", "-" and the digits are kept ("012.5" reads
// 125), zeros before a sign are padding ("0-123" reads -123); a control character (below 32)
// anywhere makes the frame a repeat: the result is `previous`. Results are kept within
// +/-999,999,999,999.
long long RDVAL(std::string_view text, long long previous, bool* repeat = nullptr);

// A decimal text ("004.139", "-12", "1.5") times `factor` / `divisor` (each 1 to 1000) as whole
// kilograms, halves away from zero; nothing when it is not an optional sign and digits with at most
// one point, or has more than 12 significant digits or 6 decimals.
std::optional<long long> decimalKg(std::string_view text, long long factor = 1, long long divisor = 1);

}  // namespace scale
