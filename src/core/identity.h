// The running program's identity in one line, "NAME VERSION sha256 HEX" (the SHA-256 of the
// executable file that runs), as an inspector reads it on a printed ticket (the screen value
// cVersion), in Error.log and in the settings dialog. The program's main installs the source that
// computes it (the weighing evidence library, on Qt Core); it is computed once per process, on first
// need. Without a source it is "" (tests, tools that do not install one). One thread.
#pragma once

#include <string>

namespace core {

using IdentitySource = std::string (*)();

// Installs the source; the next programIdentity() computes the text afresh. nullptr: none.
void setIdentitySource(IdentitySource source);
const std::string& programIdentity();

}  // namespace core
