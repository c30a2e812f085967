#include "core/settings.h"

namespace core {

Settings& programSettings()
{
    static Settings s;
    return s;
}

}  // namespace core
