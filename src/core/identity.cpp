#include "core/identity.h"

#include <optional>

namespace core {
namespace {

IdentitySource g_source = nullptr;
std::optional<std::string> g_text;

}  // namespace

void setIdentitySource(IdentitySource source)
{
    g_source = source;
    g_text.reset();
}

const std::string& programIdentity()
{
    if (!g_text)
        g_text = g_source ? g_source() : std::string();
    return *g_text;
}

}  // namespace core
