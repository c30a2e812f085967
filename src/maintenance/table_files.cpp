#include "maintenance/table_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/fault.h"
#include "core/paths.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/xbase.h"
#include "storage/fault_bridge.h"
#include "storage/field_codec.h"
#include "storage/os.h"

namespace maintenance::files {

std::string folder(const char* setting)
{
    return core::programSettings().text(setting);
}

std::string path(std::string_view folder, std::string_view name)
{
    return core::paths::join(folder, name);
}

bool exists(std::string_view folder, std::string_view name)
{
    return core::paths::exists(path(folder, name));
}

void alert(const std::string& text, const std::string& title)
{
    core::prompts().message(core::MessageKind::Alert, text, title);
}

bool ask(const std::string& text, const std::string& title)
{
    return core::prompts().confirm(text, title);
}

bool attempt(const std::function<storage::Status()>& op, const std::string& operation, const std::string& file)
{
    for (;;) {
        const storage::Status s = op();
        if (s.ok())
            return true;
        core::Fault f = storage::toFault(s, operation, file);
        f.canDefault = true;
        if (core::raise(f) != core::FaultAnswer::Retry)
            return false;
    }
}

void removeAnyCase(std::string_view folder, std::string_view name)
{
    storage::FileSystem& fs = storage::fileSystem();
    const std::string dir = core::paths::resolve(core::paths::native(folder));
    std::vector<std::string> names;
    if (!fs.list(dir.empty() ? "." : dir, &names).ok())
        return;
    for (const std::string& n : names)
        if (core::xbase::equalsNoCase(n, name))
            (void)fs.remove((dir.empty() || dir.back() == '/' ? dir : dir + "/") + n);
}

std::string partPath(const std::string& target)
{
    return target + ".part";
}

storage::Status replaceWith(const std::string& part, const std::string& target)
{
    if (std::rename(part.c_str(), target.c_str()) != 0)
        return storage::Status::ioError(target + ": cannot be replaced", errno);
    return {};
}

storage::Status copyBytes(const std::string& source, const std::string& part, std::uint64_t* bytes)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return storage::Status::ioError(source + ": cannot be read", errno);
    const int out = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return storage::Status::ioError(part + ": cannot be written", e);
    }
    storage::Status s;
    std::vector<char> buf(1 << 16);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            s = storage::Status::ioError(source + ": cannot be read", errno);
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf.data() + done, std::size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                s = storage::Status::ioError(part + ": cannot be written", errno);
                break;
            }
            done += w;
        }
        if (!s.ok())
            break;
        total += std::uint64_t(n);
    }
    if (s.ok() && ::fsync(out) != 0)
        s = storage::Status::ioError(part + ": cannot be written", errno);
    ::close(in);
    if (::close(out) != 0 && s.ok())
        s = storage::Status::ioError(part + ": cannot be written", errno);
    if (!s.ok())
        (void)::unlink(part.c_str());
    else if (bytes)
        *bytes = total;
    return s;
}

std::string records(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " record" : " records");
}

bool sameStructure(const storage::Layout& a, const storage::Layout& b)
{
    if (a.fields().size() != b.fields().size())
        return false;
    for (const storage::Field& f : a.fields()) {
        const int i = b.find(f.name);
        if (i < 0)
            return false;
        const storage::Field& g = b.fields()[std::size_t(i)];
        if (g.type != f.type || g.length != f.length || g.decimals != f.decimals)
            return false;
    }
    return true;
}

storage::Status copyFields(storage::Table& target, const storage::Layout& sourceLayout, const char* record)
{
    for (const storage::Field& f : sourceLayout.fields()) {
        const int i = target.fieldIndex(f.name);
        if (i < 0 || storage::field::isBlank(f, record))
            continue;
        STORAGE_TRY(target.put(i, storage::field::value(f, record)));
    }
    return {};
}

}  // namespace maintenance::files
