// A file system seam for tests: forwards to the real one, counts reads, writes, syncs and lock
// attempts per file name, and can fail the n-th write from now on (as a full disk or a dying
// device would), or the n-th read. Installs itself for its lifetime.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "storage/os.h"

namespace storagetest {

class FaultFileSystem final : public storage::FileSystem {
public:
    FaultFileSystem() : m_real(storage::setFileSystem(this)) {}
    ~FaultFileSystem() override { storage::setFileSystem(m_real); }

    struct Counts {
        int reads = 0;
        int writes = 0;
        int syncs = 0;
        int locks = 0;  // lock attempts (byte ranges)
    };
    // Counts by file name (without folder).
    std::map<std::string, Counts> counts;
    // The write that fails with an I/O error: 1 = the next one; 0 = none.
    int failWrite = 0;
    // The read that fails with an I/O error, counted like failWrite.
    int failRead = 0;
    // When set, only reads and writes of the file of this name (without folder, any letter case)
    // count.
    std::string failOnly;

    storage::Status open(const std::string& path, storage::ShareMode mode, storage::OpenFlags flags,
                         std::unique_ptr<storage::File>* out) override;
    bool exists(const std::string& path) override { return real().exists(path); }
    storage::Status remove(const std::string& path) override { return real().remove(path); }
    storage::Status list(const std::string& folder, std::vector<std::string>* names) override
    {
        return real().list(folder, names);
    }
    std::string resolve(const std::string& path) override { return real().resolve(path); }

private:
    storage::FileSystem& real() { return m_real ? *m_real : storage::realFileSystem(); }
    storage::FileSystem* m_real;
    friend class CountingFile;
};

}  // namespace storagetest
