#include "maintenance/table_files.h"

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "core/fault.h"
#include "core/paths.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
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

void removePackLeftovers(std::string_view folder, const storage::TableDef& def)
{
    removeAnyCase(folder, storage::tableFileName(def) + ".pack");
    for (const storage::IndexDef& ix : def.indexes)
        removeAnyCase(folder, storage::indexFileName(ix) + ".pack");
}

std::string partPath(const std::string& target)
{
    return target + ".part";
}

storage::Status replaceWith(const std::string& part, const std::string& target)
{
    return storage::fileSystem().rename(part, target);
}

storage::Status copyBytes(const std::string& source, const std::string& part, std::uint64_t* bytes)
{
    storage::FileSystem& fs = storage::fileSystem();
    std::unique_ptr<storage::File> in, out;
    STORAGE_TRY(fs.open(source, storage::ShareMode::Shared, storage::OpenFlags::Existing, &in));
    STORAGE_TRY(fs.open(part, storage::ShareMode::Exclusive, storage::OpenFlags::Create, &out));
    const auto copy = [&]() -> storage::Status {
        STORAGE_TRY(out->truncate(0));
        std::vector<char> buf(1 << 16);
        std::uint64_t total = 0;
        for (;;) {
            std::size_t got = 0;
            STORAGE_TRY(in->read(total, buf.data(), buf.size(), &got));
            if (got == 0)
                break;
            STORAGE_TRY(out->write(total, buf.data(), got));
            total += got;
        }
        STORAGE_TRY(out->sync());
        if (bytes)
            *bytes = total;
        return {};
    };
    storage::Status s = copy();
    out.reset();
    if (!s.ok())
        (void)fs.remove(part);
    return s;
}

std::string backupFolderClash()
{
    namespace fs = std::filesystem;
    const auto canonical = [](const std::string& setting) {
        std::error_code ec;
        fs::path p = fs::weakly_canonical(fs::absolute(core::paths::resolve(core::paths::native(setting)), ec), ec);
        std::string s = p.lexically_normal().string();
        while (s.size() > 1 && s.back() == '/')
            s.pop_back();
        return s;
    };
    const std::string backup = folder("CDRV3");
    const std::string b = canonical(backup);
    for (const char* setting : {"CDRV2", "CDRV1"}) {
        const std::string live = folder(setting);
        const std::string l = canonical(live);
        if (b == l || (b.size() > l.size() && b.compare(0, l.size(), l) == 0 && (b[l.size()] == '/' || l == "/")))
            return core::tis620::T("ห้ามใช้โฟลเดอร์ ") + backup + core::tis620::T(" เก็บสำเนาข้อมูล เพราะอยู่ในโฟลเดอร์แฟ้มข้อมูล ") +
                   live;
    }
    return {};
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

std::string recordFor(const storage::Layout& targetLayout, const storage::Layout& sourceLayout, const char* record)
{
    std::string out = targetLayout.blankRecord();
    for (const storage::Field& f : sourceLayout.fields()) {
        const int i = targetLayout.find(f.name);
        if (i < 0)
            continue;
        const storage::Field& g = targetLayout.fields()[std::size_t(i)];
        const std::string_view bytes = storage::field::raw(f, record);
        if (bytes.size() == std::size_t(g.length))
            out.replace(g.offset, bytes.size(), bytes);
    }
    return out;
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
