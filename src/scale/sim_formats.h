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
//            SWA 0x2A (no decimal point, count by 1); SWB 0x30 | 0x02 negative | 0x04 over range |
//            0x08 in motion (0x10 = kg); SWC 0x20; checksum = two's complement of the 7-bit sum of
//            all bytes before it.
// ascii      "ST,GS,+0012340kg" CR LF, 18 bytes: ST stable / US in motion / OL over range, GS gross,
//            the sign, 7 digits, the unit.
// xk3190     XK3190 continuous, 12 bytes: STX, '+' or '-', 6 digits, the decimal places '0',
//            the XOR of bytes 2-9 as two characters (high and low nibble, 0-9 A-F), ETX.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scale/frame_reader.h"
#include "scale/sim_profile.h"

namespace scale::sim {

enum class Format { Indicator, Toledo, Ascii, Xk3190 };

// "indicator", "toledo", "ascii" or "xk3190".
std::optional<Format> formatNamed(std::string_view name);

struct EncoderOptions {
    FrameFormat frame;            // indicator: start character, header and weight lengths
    int statusPosition = 3;       // indicator: 1-based position of the status byte
    bool signInDigits = false;    // indicator: '-' leads the weight field instead of the status bit
    std::string eol = "\r\n";     // indicator: bytes after each frame
    int noiseBytes = 0;           // random bytes (never a start character) before each frame
    int controlEvery = 0;         // every n-th frame carries a CR inside its weight
    bool checksum = false;        // toledo: append the checksum byte
};

// The bytes sent for frame `index`: a frame (after any noise bytes) for a weight, a burst of bytes
// free of start characters for junk, nothing for silence.
std::string encode(Format format, const EncoderOptions& options, const Reading& reading, std::uint64_t index,
                   std::uint64_t seed);

}  // namespace scale::sim
