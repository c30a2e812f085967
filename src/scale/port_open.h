// Opening the scale port of COM1..COM4 as the settings describe it: the "Port#n" text, the frame
// format and the device, then the serial line. The weight dialog and the live weight display open
// their port through this one piece, so both read the indicator the same way.
#pragma once

#include <optional>
#include <string>

#include "core/settings.h"
#include "scale/frame_reader.h"
#include "scale/port_setting.h"
#include "scale/serial_port.h"

namespace scale {

struct PortOpening {
    bool opened = false;
    std::optional<PortSetting> setting;  // the "Port#n" text read, when it is in the form
    LineSettings line;                   // the device, and the line settings once the setting is read
    ReaderConfig reader;                 // the reader's rules for this port; meaningful when opened
    std::string failure;                 // why it failed, in English for diagnostics
    std::string message;                 // why it failed, for the operator (TIS-620)
};

// Reads the settings of port 1..4 and opens `serial` with them; the port's error flags are cleared
// whatever the outcome.
PortOpening openScalePort(const core::Settings& settings, int port, SerialPort& serial);

}  // namespace scale
