#include "fault_fs.h"

#include <strings.h>

#include <cerrno>

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
        ++m_fs.counts[m_name].reads;
        const bool counted = m_fs.failOnly.empty() || ::strcasecmp(m_fs.failOnly.c_str(), m_name.c_str()) == 0;
        if (m_fs.failRead > 0 && counted && --m_fs.failRead == 0)
            return storage::Status::ioError(m_name + ": injected read failure", EIO);
        return m_real->read(offset, buf, n, got);
    }
    storage::Status write(std::uint64_t offset, const void* buf, std::size_t n) override
    {
        ++m_fs.counts[m_name].writes;
        const bool counted = m_fs.failOnly.empty() || ::strcasecmp(m_fs.failOnly.c_str(), m_name.c_str()) == 0;
        if (m_fs.failWrite > 0 && counted && --m_fs.failWrite == 0)
            return storage::Status::ioError(m_name + ": injected write failure", EIO);
        return m_real->write(offset, buf, n);
    }
    storage::Status size(std::uint64_t* out) override { return m_real->size(out); }
    storage::Status truncate(std::uint64_t size) override { return m_real->truncate(size); }
    storage::Status sync() override
    {
        ++m_fs.counts[m_name].syncs;
        return m_real->sync();
    }
    storage::Status tryLock(std::uint64_t start, std::uint64_t length, storage::LockKind kind) override
    {
        ++m_fs.counts[m_name].locks;
        return m_real->tryLock(start, length, kind);
    }
    storage::Status unlock(std::uint64_t start, std::uint64_t length) override { return m_real->unlock(start, length); }

private:
    FaultFileSystem& m_fs;
    std::unique_ptr<storage::File> m_real;
    std::string m_name;
};

storage::Status FaultFileSystem::open(const std::string& path, storage::ShareMode mode, storage::OpenFlags flags,
                                      std::unique_ptr<storage::File>* out)
{
    std::unique_ptr<storage::File> f;
    STORAGE_TRY(real().open(path, mode, flags, &f));
    const auto slash = path.find_last_of('/');
    *out = std::make_unique<CountingFile>(*this, std::move(f), slash == std::string::npos ? path : path.substr(slash + 1));
    return {};
}

}  // namespace storagetest
