#include "core/prompts.h"

#include <iostream>

#include "core/seam.h"
#include "core/tis620.h"

namespace core {
namespace {

class StderrPrompts final : public Prompts {
public:
    void message(MessageKind, const std::string& text, const std::string& title) override
    {
        std::cerr << tis620::toUtf8(title) << ": " << tis620::toUtf8(text) << '\n';
    }
    bool confirm(const std::string& text, const std::string& title) override
    {
        message(MessageKind::Info, text, title);
        return false;
    }
};

StderrPrompts g_stderr;
core::Seam<Prompts> g_prompts(&g_stderr);

}  // namespace

Prompts& prompts()
{
    return g_prompts.get();
}

Prompts* setPrompts(Prompts* p)
{
    return g_prompts.install(p);
}

}  // namespace core
