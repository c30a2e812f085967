#include "storage/fault_bridge.h"

#include <cerrno>

namespace storage {

core::Fault toFault(const Status& status, const std::string& operation, const std::string& fileName)
{
    core::Fault f;
    f.subsystem = "DBFNTX";
    f.operation = operation;
    f.fileName = fileName;
    f.osCode = status.osError();
    f.description = status.message();
    switch (status.code()) {
    case Status::Code::Ok: break;
    case Status::Code::NotFound: f.genCode = core::EG_OPEN; break;
    case Status::Code::Exists: f.genCode = core::EG_CREATE; break;
    case Status::Code::Locked: f.genCode = core::EG_LOCK; f.canRetry = true; break;
    case Status::Code::Corrupt: f.genCode = core::EG_CORRUPTION; break;
    case Status::Code::IoError: f.genCode = core::EG_WRITE; f.canRetry = true; break;
    case Status::Code::FieldOverflow: f.genCode = core::EG_DATAWIDTH; break;
    case Status::Code::TypeMismatch: f.genCode = core::EG_DATATYPE; break;
    case Status::Code::InvalidArgument: f.genCode = core::EG_ARG; break;
    case Status::Code::NotLocked: f.genCode = core::EG_UNLOCKED; break;
    case Status::Code::Unsupported: f.genCode = core::EG_UNSUPPORTED; break;
    }
    // This engine numbers its subcodes 1000 + the general code.
    f.subCode = 1000 + f.genCode;
    return f;
}

bool heldElsewhere(const core::Fault& fault)
{
    // A lock refused (EAGAIN, EWOULDBLOCK: the same number on most systems), a file in use (EBUSY),
    // permission refused (EACCES, which fcntl locks also give).
    const int e = fault.osCode;
    return e != 0 && (e == EACCES || e == EAGAIN || e == EWOULDBLOCK || e == EBUSY);
}

Status retrying(const std::function<Status()>& call, const std::string& operation, const std::string& fileName)
{
    for (;;) {
        Status s = call();
        if (s.ok() || core::raise(toFault(s, operation, fileName)) != core::FaultAnswer::Retry)
            return s;
    }
}

}  // namespace storage
