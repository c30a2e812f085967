// What the fuzz targets share: a broken property aborts (libFuzzer then keeps the input), and the
// prompts any code under test may raise show nothing and answer No.
#pragma once

#include <cstdlib>
#include <string>

#include "core/prompts.h"

namespace fuzz {

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

class SilentPrompts final : public core::Prompts {
public:
    void message(core::MessageKind, const std::string&, const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override { return false; }
};

}  // namespace fuzz
