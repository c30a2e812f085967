// A file system seam for tests, installed for its lifetime: forwards to the real one, counts writes and syncs per
// file name, and can fail the n-th write or read from now on (as a full disk or a dying device would).
// Crash points: each write, truncate, sync, rename or remove, numbered from 1. crashAt ends the process
// with kCrashExit instead of running that call (as a power cut would); failAt answers it with an I/O error.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "storage/os.h"

namespace storagetest {

class FaultFileSystem final : public storage::FileSystem {
public:
    FaultFileSystem() : m_real(storage::setFileSystem(this)) {}
    ~FaultFileSystem() override { storage::setFileSystem(m_real); }

    struct Counts {
        int writes = 0;
        int syncs = 0;
    };
    // Counts by file name (without folder).
    std::map<std::string, Counts> counts;
    // The write that fails with an I/O error: 1 = the next one; 0 = none.
    int failWrite = 0;
    // The read that fails with an I/O error, counted like failWrite.
    int failRead = 0;
    // When set, only reads and writes of the file of this name (without folder, any letter case) count.
    std::string failOnly;

    static constexpr int kCrashExit = 86;
    int points = 0;   // crash points passed so far
    int crashAt = 0;  // 0: none
    int failAt = 0;   // 0: none
    // Counts a point; false when it is to fail. Ends the process at crashAt.
    bool point();

    storage::Status open(const std::string& path, storage::ShareMode mode, storage::OpenFlags flags,
                         std::unique_ptr<storage::File>* out) override;
    bool exists(const std::string& path) override { return real().exists(path); }
    storage::Status remove(const std::string& path) override;
    storage::Status rename(const std::string& from, const std::string& to) override;
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

// The crash points a test runs out of `total`, in order: all with MERVO_CRASH_POINTS=all, else `sample`
// of them (MERVO_CRASH_POINTS=N sets it): the first, the last, the rest spread from a fixed seed.
std::vector<int> crashPoints(int total, int sample);

}  // namespace storagetest
