// The byte layouts the indicator simulator speaks. Each reading becomes the bytes of one
// continuous-output frame; every format is deterministic for a given frame index and seed.
//
// indicator  the frame the program reads ("Port#n": start char, header, weight digits):
//              [start][header-1 bytes, '0' except the status byte][weight, zero-padded] EOL
//            status byte = 0x30 | 0x02 when negative | 0x04 when in motion, at its position when
//            that lies within the header (2..header length); with the sign in the digits, a
//            negative weight's field starts with '-' instead.
// toledo     Mettler-Toledo standard continuous, 17 bytes (18 with the checksum):
//              STX SWA SWB SWC [6 digits weight] [6 digits tare "000000"] CR [checksum]
//            SWA 0x28 | the decimal point code (2 none, 3..7 one to five decimals); SWB 0x20 |
//            0x02 negative | 0x04 over range | 0x08 in motion | 0x10 kg (clear for lb); SWC 0x20;
//            checksum = two's complement of the 7-bit sum of all bytes before it.
// ascii      "ST,GS,+0012340kg" CR LF, 18 bytes: ST stable / US in motion / OL over range, GS gross,
//            the sign, 7 digits, the unit.
// ascii-nocomma  "WG" [-] 6 digits, the unit, CR LF ("WG004.139kg" with 3 decimals); "OL" before
//            "WG" over range; no motion flag.
// xk3190     XK3190 continuous, 12 bytes: STX, '+' or '-', 6 digits, the decimal places '0'..'5',
//            the XOR of bytes 2-9 as two characters (high and low nibble, 0-9 A-F), ETX.
// xk3190-equals  '=' and the display's 8 characters last first: the sign ('-', else '0') then 7
//            digits and point; -1.00 is "=00.1000-".
//
// Decimals: the profile's whole number is shown with the point that many places from the right
// (15140 with 2 decimals is "151.40"), in the unit named; a reader gets number x unit back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scale/frame_reader.h"
#include "scale/sim_profile.h"

namespace scale::sim {

enum class Format { Indicator, Toledo, Ascii, AsciiNoComma, Xk3190, Xk3190Equals };

// "indicator", "toledo", "ascii", "ascii-nocomma", "xk3190" or "xk3190-equals".
std::optional<Format> formatNamed(std::string_view name);
// The reader's format that reads it ("Format#n").
FrameKind readerKind(Format format);

struct EncoderOptions {
    FrameFormat frame;            // indicator: start character, header and weight lengths
    int statusPosition = 3;       // indicator: 1-based position of the status byte
    bool signInDigits = false;    // indicator: '-' leads the weight field instead of the status bit
    std::string eol = "\r\n";     // indicator: bytes after each frame
    int noiseBytes = 0;           // random bytes (never a start character) before each frame
    int controlEvery = 0;         // every n-th frame carries a CR inside its weight
    bool checksum = false;        // toledo: append the checksum byte
    int decimals = 0;             // toledo, ascii, xk3190: places after the point, 0 to 5
    std::string unit = "kg";      // ascii: kg, t, g, lb; toledo: kg or lb
};

// The bytes sent for frame `index`: a frame (after any noise bytes) for a weight, a burst of bytes
// free of start characters for junk, nothing for silence.
std::string encode(Format format, const EncoderOptions& options, const Reading& reading, std::uint64_t index,
                   std::uint64_t seed);

}  // namespace scale::sim
