#include "fault_fs.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <string_view>

namespace storagetest {

class CountingFile final : public storage::File {
public:
    CountingFile(FaultFileSystem& fs, std::unique_ptr<storage::File> real, std::string name)
        : m_fs(fs), m_real(std::move(real)), m_name(std::move(name))
    {
    }
    const std::string& path() const override { return m_real->path(); }
    storage::ShareMode shareMode() const override { return m_real->shareMode(); }
    storage::Status read(std::uint64_t offset, void* buf, std::size_t n, std::size_t* got) override
    {
        if (failsNow(m_fs.failRead))
            return injected("read");
        return m_real->read(offset, buf, n, got);
    }
    storage::Status write(std::uint64_t offset, const void* buf, std::size_t n) override
    {
        if (!m_fs.point())
            return injected("write");
        ++m_fs.counts[m_name].writes;
        if (failsNow(m_fs.failWrite))
            return injected("write");
        return m_real->write(offset, buf, n);
    }
    storage::Status size(std::uint64_t* out) override { return m_real->size(out); }
    storage::Status truncate(std::uint64_t size) override
    {
        return m_fs.point() ? m_real->truncate(size) : injected("truncate");
    }
    storage::Status sync() override
    {
        if (!m_fs.point())
            return injected("sync");
        ++m_fs.counts[m_name].syncs;
        return m_real->sync();
    }
    storage::Status tryLock(std::uint64_t start, std::uint64_t length, storage::LockKind kind) override
    {
        return m_real->tryLock(start, length, kind);
    }
    storage::Status unlock(std::uint64_t start, std::uint64_t length) override { return m_real->unlock(start, length); }

private:
    // Counts down failWrite or failRead for a write or read of this file: true at its turn.
    bool failsNow(int& countdown) const
    {
        const bool counted = m_fs.failOnly.empty() || ::strcasecmp(m_fs.failOnly.c_str(), m_name.c_str()) == 0;
        return countdown > 0 && counted && --countdown == 0;
    }
    storage::Status injected(const char* what) const
    {
        return storage::Status::ioError(m_name + ": injected " + what + " failure", EIO);
    }

    FaultFileSystem& m_fs;
    std::unique_ptr<storage::File> m_real;
    std::string m_name;
};

bool FaultFileSystem::point()
{
    ++points;
    if (crashAt > 0 && points == crashAt)
        ::_exit(kCrashExit);
    return !(failAt > 0 && points == failAt);
}

storage::Status FaultFileSystem::remove(const std::string& path)
{
    return point() ? real().remove(path) : storage::Status::ioError(path + ": injected remove failure", EIO);
}

storage::Status FaultFileSystem::rename(const std::string& from, const std::string& to)
{
    return point() ? real().rename(from, to) : storage::Status::ioError(from + ": injected rename failure", EIO);
}

storage::Status FaultFileSystem::open(const std::string& path, storage::ShareMode mode, storage::OpenFlags flags,
                                      std::unique_ptr<storage::File>* out)
{
    std::unique_ptr<storage::File> f;
    STORAGE_TRY(real().open(path, mode, flags, &f));
    const auto slash = path.find_last_of('/');
    *out = std::make_unique<CountingFile>(*this, std::move(f), slash == std::string::npos ? path : path.substr(slash + 1));
    return {};
}

std::vector<int> crashPoints(int total, int sample)
{
    const char* env = std::getenv("MERVO_CRASH_POINTS");
    const std::string_view setting = env ? env : "";
    if (setting == "all")
        sample = total;
    else if (!setting.empty() && std::atoi(env) > 0)
        sample = std::atoi(env);
    std::vector<int> out;
    if (sample >= total) {
        for (int k = 1; k <= total; ++k)
            out.push_back(k);
        return out;
    }
    std::mt19937 random(20260131u + unsigned(total));
    out = {1, total};
    const int between = std::max(sample - 2, 0);
    for (int i = 0; i < between; ++i) {
        // One point in each of `between` equal stretches of the run, somewhere inside it.
        const int from = 2 + int(std::int64_t(i) * (total - 2) / between);
        const int to = std::max(from, 1 + int(std::int64_t(i + 1) * (total - 2) / between));
        out.push_back(std::uniform_int_distribution<int>(from, to)(random));
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace storagetest
