// Status: the outcome of a table-engine call - ok, or a code saying what went wrong with a message
// for people (ASCII and file names). The engine never throws across its boundary: callers look at
// the code (not found, locked, corrupt, I/O ...) and decide; the faults that must reach the error
// trap are made from a Status in one place by the caller (toFault in fault_bridge.h).
#pragma once

#include <string>
#include <utility>

namespace storage {

class [[nodiscard]] Status {
public:
    enum class Code : unsigned char {
        Ok,
        NotFound,         // a file, field, alias or key that is not there
        Exists,           // a file that must not exist yet
        Locked,           // held by another process or work area (open, record, file lock)
        Corrupt,          // file bytes break the format
        IoError,          // the operating system refused a read, write, sync ...
        FieldOverflow,    // a value does not fit its field (never cut or starred)
        TypeMismatch,     // a value of the wrong type for a field or key
        InvalidArgument,  // a call that makes no sense (bad field list, record 0 ...)
        NotLocked,        // a change to a shared record without its lock
        Unsupported,      // a valid file feature this engine does not handle
    };

    Status() = default;
    Status(Code code, std::string message, int osError = 0)
        : m_code(code), m_osError(osError), m_message(std::move(message))
    {
    }

    static Status notFound(std::string m) { return {Code::NotFound, std::move(m)}; }
    static Status exists(std::string m) { return {Code::Exists, std::move(m)}; }
    static Status locked(std::string m) { return {Code::Locked, std::move(m)}; }
    static Status corrupt(std::string m) { return {Code::Corrupt, std::move(m)}; }
    static Status ioError(std::string m, int osError) { return {Code::IoError, std::move(m), osError}; }
    static Status fieldOverflow(std::string m) { return {Code::FieldOverflow, std::move(m)}; }
    static Status typeMismatch(std::string m) { return {Code::TypeMismatch, std::move(m)}; }
    static Status invalidArgument(std::string m) { return {Code::InvalidArgument, std::move(m)}; }
    static Status notLocked(std::string m) { return {Code::NotLocked, std::move(m)}; }
    static Status unsupported(std::string m) { return {Code::Unsupported, std::move(m)}; }

    bool ok() const { return m_code == Code::Ok; }
    Code code() const { return m_code; }
    int osError() const { return m_osError; }
    const std::string& message() const { return m_message; }
    bool is(Code c) const { return m_code == c; }

    // "corrupt: WDATA1.NTX: page 2048 holds 60 keys, at most 46 fit" - for logs and the terminal.
    std::string toString() const;
    static const char* codeName(Code c);

    // The same status with "context: " put in front of its message (ok stays ok).
    Status withContext(const std::string& context) const;

private:
    Code m_code = Code::Ok;
    int m_osError = 0;
    std::string m_message;
};

// Returns from the calling function when the expression's status is not ok.
#define STORAGE_TRY(expr)                                  \
    do {                                                   \
        ::storage::Status storageTryStatus_ = (expr);      \
        if (!storageTryStatus_.ok())                       \
            return storageTryStatus_;                      \
    } while (0)

}  // namespace storage
