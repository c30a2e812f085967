#include "core/prompts.h"

#include <iostream>

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
Prompts* g_prompts = nullptr;

}  // namespace

Prompts& prompts()
{
    return g_prompts ? *g_prompts : g_stderr;
}

Prompts* setPrompts(Prompts* p)
{
    Prompts* previous = g_prompts;
    g_prompts = p;
    return previous;
}

}  // namespace core
