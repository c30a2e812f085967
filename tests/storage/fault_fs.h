// A file system seam for tests: forwards to the real one, counts reads, writes, syncs and lock
// attempts per file name, and can fail the n-th write from now on (as a full disk or a dying
// device would), or the n-th read. Installs itself for its lifetime.
//
// Crash points: every call that changes a file or a folder - a write, truncate, sync, rename or
// remove - is one point, numbered from 1 in the order they run. crashAt ends the process at once
// with kCrashExit instead of running that call (as a power cut or a kill would, with what the
// calls before it wrote left as the operating system holds it); failAt answers it with an I/O
// error instead. Tests run a job in a forked child with crashAt set and look at what is left.
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

// The crash points a test runs out of `total`, in order: every one when the environment variable
// MERVO_CRASH_POINTS is "all"; else a bounded sample of `sample` points (MERVO_CRASH_POINTS=N sets
// it), the first and the last included and the rest spread over the run from a fixed seed, so
// every run of the suite tries the same points.
std::vector<int> crashPoints(int total, int sample);

}  // namespace storagetest
