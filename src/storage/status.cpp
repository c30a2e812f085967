#include "storage/status.h"

#include <cstring>

namespace storage {

const char* Status::codeName(Code c)
{
    switch (c) {
    case Code::Ok: return "ok";
    case Code::NotFound: return "not found";
    case Code::Exists: return "exists";
    case Code::Locked: return "locked";
    case Code::Corrupt: return "corrupt";
    case Code::IoError: return "I/O error";
    case Code::FieldOverflow: return "field overflow";
    case Code::TypeMismatch: return "type mismatch";
    case Code::InvalidArgument: return "invalid argument";
    case Code::NotLocked: return "not locked";
    case Code::Unsupported: return "unsupported";
    }
    return "unknown";
}

std::string Status::toString() const
{
    std::string s = codeName(m_code);
    if (!m_message.empty()) {
        s += ": ";
        s += m_message;
    }
    if (m_osError != 0) {
        s += " (";
        s += std::strerror(m_osError);
        s += ')';
    }
    return s;
}

Status Status::withContext(const std::string& context) const
{
    if (ok())
        return *this;
    return Status(m_code, context + ": " + m_message, m_osError);
}

}  // namespace storage
