// The one place where an engine Status becomes a run-time fault for the error trap: an operation
// that cannot go on (a table that cannot be opened or appended to, a corrupt index, a value too
// wide for its field) raises it through core::raise() and acts on the answer.
#pragma once

#include <functional>
#include <string>

#include "core/fault.h"
#include "storage/status.h"

namespace storage {

// The fault of a failed status: subsystem "DBFNTX", the xBase general code for its kind
// (EG_LOCK, EG_CORRUPTION, EG_DATAWIDTH ...), the OS error, the file or the operation. Locks and
// I/O errors may be retried.
core::Fault toFault(const Status& status, const std::string& operation, const std::string& fileName = {});

// Whether a fault's operating-system code (errno) means the file is held by another process or its
// access was refused: what a workstation sees of a table another one holds.
bool heldElsewhere(const core::Fault& fault);

// Runs a table call; a failure goes to the error trap as that fault, and the answer Retry runs the
// call again. Returns the last status (ok when a retry succeeded). A call that succeeds at once
// never reaches the trap.
Status retrying(const std::function<Status()>& call, const std::string& operation, const std::string& fileName = {});

}  // namespace storage
