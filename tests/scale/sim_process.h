// mervo-scale-sim on a new pseudo-terminal at 20 frames a second, and the settings the scale tests
// start from: COM1..4 in the default layout, Stable 3, no Zero, automatic acceptance, no sounds.
#pragma once

#include <string>
#include <vector>

#include "core/settings.h"
#include "support/run_process.h"

namespace scaletest {

struct Simulator {
    explicit Simulator(std::vector<std::string> args) : process(MERVO_BINARY_DIR "/app/mervo-scale-sim", withRate(std::move(args)))
    {
        path = process.readLine(5000);
    }
    static std::vector<std::string> withRate(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--rate", "20"});
        return args;
    }
    testsupport::ChildProcess process;
    std::string path;
};

inline void setLinkSettings()
{
    auto& s = core::programSettings();
    for (int n = 1; n <= 4; ++n)
        s.setText("CCPORT" + std::to_string(n), "09600,E,7,1,002,005,005");
    const std::pair<const char*, const char*> keys[] = {{"CCPORT", "1"}, {"CSTABLE", "3"}, {"NINTERV", "50"},
                                                        {"CZEROW", "0"}, {"CWREAD", "1"}, {"CMINUS", "0"},
                                                        {"CTLDST", "3"}, {"CSYSSOUND", "N"}};
    for (const auto& [k, v] : keys)
        s.setText(k, v);
}

}  // namespace scaletest
