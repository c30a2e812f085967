// Any bytes as a DBF table and an NTX index of it: opening, walking both orders, seeking, checking
// and one append with its index update give a status, never a crash, a hang or a read past a
// buffer. Input: 4 bytes little-endian with the length of the DBF part, the DBF bytes, then the NTX
// bytes (tests/fuzz/corpus/storage_fuzz holds the golden tables in this form).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "fuzz_util.h"
#include "storage/check.h"
#include "storage/table.h"

namespace {

std::string g_folder;

// A folder of its own for the two files, removed when the fuzzer exits.
const std::string& folder()
{
    if (g_folder.empty()) {
        std::string tmpl = "/tmp/mervo-storage-fuzz-XXXXXX";
        fuzz::check(::mkdtemp(tmpl.data()) != nullptr);
        g_folder = tmpl;
        std::atexit([] { std::filesystem::remove_all(g_folder); });
    }
    return g_folder;
}

void writeFile(const std::string& path, const char* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, std::streamsize(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::size_t dbfSize = std::size_t(data[0]) | std::size_t(data[1]) << 8 | std::size_t(data[2]) << 16 |
                          std::size_t(data[3]) << 24;
    const char* bytes = reinterpret_cast<const char*>(data + 4);
    size -= 4;
    if (dbfSize > size)
        dbfSize = size;
    const std::string dbf = folder() + "/T.DBF", ntx = folder() + "/T.NTX";
    writeFile(dbf, bytes, dbfSize);
    writeFile(ntx, bytes + dbfSize, size - dbfSize);

    storage::setHardCommit(false);
    {
        std::unique_ptr<storage::Table> t;
        if (!storage::Table::open(dbf, storage::ShareMode::Shared, &t).ok())
            return 0;
        const char* rec = nullptr;
        int steps = 0;
        for (bool ok = t->goTop().ok(); ok && !t->eof() && ++steps < 2000; ok = t->record(&rec).ok() && t->skip().ok())
            ;
        if (t->addOrder(ntx).ok()) {
            steps = 0;
            for (bool ok = t->goTop().ok(); ok && !t->eof() && ++steps < 2000; ok = t->skip().ok())
                ;
            steps = 0;
            for (bool ok = t->goBottom().ok(); ok && !t->bof() && !t->eof() && ++steps < 2000; ok = t->skip(-1).ok())
                ;
            for (const char* key : {"", "A", "F0130", "\x7F", "\xFF\xFF"})
                (void)t->seek(key, true);
            std::vector<std::uint32_t> recnos;
            (void)t->goTop();
            (void)t->skipMany(50, &recnos);
            // One append with its keys, then a key change: updates on whatever tree is there.
            if (t->append().ok() && !t->layout().fields().empty()) {
                (void)t->putText(0, "FUZZ");
                (void)t->unlock();
                if (t->goTo(1).ok() && t->lock().ok())
                    (void)t->putText(0, "ZZZZ");
                (void)t->unlock();
            }
        }
    }
    storage::CheckReport report;
    storage::checkTable(dbf, {{ntx, "", true}}, &report);
    return 0;
}
