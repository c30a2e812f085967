// The settings of one scale port: the "Port#n" text read into line and frame settings, the mode
// text handed to the port, the device behind COM1..COM4, and the reader's rules taken from the
// "Comm" keys. Pure functions over texts and the settings store; nothing here touches a device.
//
// A "Port#n" text has 23 characters (mask "99999,!,9,9,999,999,999"), 1-based positions:
//
//   | 1-5   | baud rate, five digits: "09600"; a five-digit rate such as "19200" is taken whole |
//   | 7     | parity: N, E, O, M (mark) or S (space)                                             |
//   | 9     | data bits, 5 to 8                                                                  |
//   | 11    | stop bits, 1 or 2                                                                  |
//   | 13-15 | start character code, decimal 000-255                                              |
//   | 17-19 | header length, decimal 001-999, the start character included                       |
//   | 21-23 | weight length, decimal 001-999                                                     |
//
// with commas at 6, 8, 10, 12, 16 and 20. Trailing blanks are ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "scale/frame_reader.h"

namespace scale {

struct LineSettings {
    std::string device;  // e.g. /dev/ttyS0, /dev/ttyUSB0, /dev/pts/3
    int baud = 9600;
    char parity = 'E';   // N E O M S
    int dataBits = 7;
    int stopBits = 1;
};

struct PortSetting {
    int baud = 9600;
    char parity = 'E';
    int dataBits = 7;
    int stopBits = 1;
    FrameFormat frame;

    // The line mode for port 1..4: "COM" + port + ":" + rate + ",parity,data,stop"
    // ("COM1:9600,E,7,1" for the default on port 1).
    std::string modeText(int port) const;
};

// Reads a "Port#n" text. On a text that is not in the form, returns nothing and, when `error` is
// given, a one-line English description of the first fault found (position and what was expected).
std::optional<PortSetting> parsePortSetting(std::string_view text, std::string* error = nullptr);

// The scale port of the "Comm" "Default" key (CCPORT): its first character after trimming, 1..4,
// or 0 when that is anything else.
int defaultPort(const core::Settings& settings);

// The device behind COM1..COM4: the "Comm" "Device#n" key (CCDEV1..CCDEV4), or /dev/ttyS0..3 when
// that is empty.
std::string devicePath(const core::Settings& settings, int port);

// The frame format of COM1..COM4: the "Comm" "Format#n" key (CCFMT1..CCFMT4), "indicator" when it
// is empty; nothing when it names no format.
std::optional<FrameKind> frameKind(const core::Settings& settings, int port);

// The reader's rules from "Minus", "Stable", "StatBit", "Zero", "W.Read" and "Timer", with the
// port's frame format and the layout of its setting. Values that are not numbers count as 0;
// "Stable" is raised to 2 at start-up. A reading is fresh for kFreshTicks timer intervals, and at
// least kFreshMinMs (a tick and the indicator's next frame must fit in it).
constexpr int kFreshTicks = 4;
constexpr int kFreshMinMs = 1000;
ReaderConfig readerConfig(const core::Settings& settings, const FrameFormat& frame,
                          FrameKind kind = FrameKind::Indicator);

// "Timer" (NINTERV) in milliseconds, 0 when it is not a positive number.
int timerInterval(const core::Settings& settings);

}  // namespace scale
