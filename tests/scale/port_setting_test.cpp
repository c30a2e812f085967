#include "scale/port_setting.h"

#include <gtest/gtest.h>

namespace {

TEST(PortSetting, ReadsTheDefaultAndFiveDigitRates)
{
    struct Case {
        const char* text;
        int port;
        const char* mode;
        int start, header, weight;
    };
    const Case cases[] = {
        {"09600,E,7,1,002,005,005", 1, "COM1:9600,E,7,1", 2, 5, 5},
        {"19200,N,8,1,002,005,006", 2, "COM2:19200,N,8,1", 2, 5, 6},
        {"04800,o,8,2,061,001,007   ", 4, "COM4:4800,O,8,2", 61, 1, 7},
        {"00300,M,5,1,255,999,999", 3, "COM3:300,M,5,1", 255, 999, 999},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto p = scale::parsePortSetting(c.text, &error);
        ASSERT_TRUE(p) << c.text << ": " << error;
        EXPECT_EQ(p->modeText(c.port), c.mode);
        EXPECT_EQ(std::tie(p->frame.startChar, p->frame.headerLength, p->frame.weightLength),
                  std::make_tuple(c.start, c.header, c.weight));
    }
}

TEST(PortSetting, RejectsTextsOutOfFormWithAReason)
{
    struct Case {
        const char* text;
        const char* reason;  // a part of the message
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(scale::parsePortSetting(c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << " -> " << error;
    }
}

TEST(PortSetting, PortDeviceAndReaderRulesFromTheSettings)
{
    core::Settings s;
    const std::pair<const char*, int> ports[] = {{"1", 1}, {" 3 ", 3}, {"4x", 4}, {"0", 0},
                                                 {"5", 0}, {"", 0},     {"A", 0}};
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

    const std::pair<const char*, int> timers[] = {{"300", 300}, {" 50", 50}, {"abc", 0}, {"-5", 0}, {"", 0}};
    for (const auto& [text, ms] : timers) {
        s.setText("NINTERV", text);
        EXPECT_EQ(scale::timerInterval(s), ms) << text;
    }
}

}  // namespace
