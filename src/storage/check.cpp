#include "storage/check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "core/paths.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/dbf_file.h"
#include "storage/field_codec.h"
#include "storage/key_source.h"
#include "storage/ntx_build.h"
#include "storage/ntx_index.h"

namespace storage {
namespace {

constexpr int kShown = 5;  // problems of one kind spelled out per file; the rest are counted

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string stem(const std::string& name)
{
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool hasExtension(const std::string& name, const char* ext)
{
    const auto dot = name.find_last_of('.');
    return dot != std::string::npos && core::xbase::equalsNoCase(name.substr(dot + 1), ext);
}

// Key bytes for people: printable ASCII as it is, anything else as \xHH.
std::string escaped(std::string_view bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(char(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

// Counts problems by kind and spells out only the first few of each.
class Problems {
public:
    Problems(CheckReport* report, std::string file) : m_report(report), m_file(std::move(file)) {}
    ~Problems()
    {
        for (const auto& [kind, n] : m_counts)
            if (n > kShown)
                m_report->problems.push_back(m_file + ": " + kind + ": " + std::to_string(n - kShown) + " more");
    }
    void add(const std::string& kind, const std::string& detail = {})
    {
        if (++m_counts[kind] <= kShown)
            m_report->problems.push_back(m_file + ": " + kind + (detail.empty() ? "" : ": " + detail));
    }
    void note(const std::string& text) { m_report->notes.push_back(m_file + ": " + text); }
    bool any() const { return !m_counts.empty(); }

private:
    CheckReport* m_report;
    std::string m_file;
    std::map<std::string, int> m_counts;
};

struct WalkState {
    const ntx::Header* header = nullptr;
    const ntx::KeyList* keys = nullptr;
    std::vector<std::uint8_t> seenRecord;  // per record: times listed (saturating)
    std::set<std::uint32_t> pages;
    std::string previous;
    std::uint64_t position = 0;
    int leafDepth = -1;
    bool unevenLeaves = false;
};

std::uint32_t childOf(const char* page, int slot)
{
    return ntx::get32(page + ntx::get16(page + 2 + 2 * slot));
}

// In-order walk of the subtree at `offset`; false when the structure is too broken to go on.
bool walk(NtxIndex& ix, std::uint32_t offset, int depth, WalkState& st, Problems& problems)
{
    if (depth >= ntx::kMaxDepth) {
        problems.add("tree deeper than " + std::to_string(ntx::kMaxDepth) + " levels");
        return false;
    }
    if (!st.pages.insert(offset).second) {
        problems.add("page reached twice", "page " + std::to_string(offset));
        return false;
    }
    const char* p = nullptr;
    if (Status s = ix.readPage(offset, &p); !s.ok()) {
        problems.add("unreadable page", s.message());
        return false;
    }
    // Copy: the walk below reads other pages, which may evict this one from the cache.
    std::string page(p, ntx::kPageSize);
    p = page.data();
    const int k = ntx::get16(p);
    if (k == 0 && depth > 0)
        problems.add("empty page below the root", "page " + std::to_string(offset));
    bool leaf = true;
    for (int i = 0; i <= k; ++i)
        leaf = leaf && childOf(p, i) == 0;
    if (leaf) {
        if (st.leafDepth < 0)
            st.leafDepth = depth;
        else if (st.leafDepth != depth)
            st.unevenLeaves = true;
    }
    const std::size_t ks = std::size_t(st.header->keySize);
    for (int i = 0; i <= k; ++i) {
        if (const std::uint32_t c = childOf(p, i); c != 0 && !walk(ix, c, depth + 1, st, problems))
            return false;
        if (i == k)
            break;
        const char* item = p + ntx::get16(p + 2 + 2 * i);
        const std::uint32_t recno = ntx::get32(item + 4);
        const std::string_view key(item + 8, ks);
        ++st.position;
        if (st.position > 1) {
            int c = std::memcmp(st.previous.data(), key.data(), ks);
            if (st.header->descending)
                c = -c;
            if (c > 0)
                problems.add("keys out of order", "position " + std::to_string(st.position) + ", record " +
                                                      std::to_string(recno));
        }
        st.previous.assign(key);
        if (recno == 0 || recno > st.keys->count) {
            problems.add("key of a record the table does not have",
                         "position " + std::to_string(st.position) + " names record " + std::to_string(recno));
            continue;
        }
        if (st.seenRecord[recno] < 255)
            ++st.seenRecord[recno];
        const std::string_view expected(st.keys->key(recno), ks);
        if (key != expected)
            problems.add("key differs from its expression", "record " + std::to_string(recno) + ": \"" +
                                                                escaped(key) + "\" in the index, \"" +
                                                                escaped(expected) + "\" from the record");
    }
    return true;
}

void checkIndex(DbfFile& dbf, const IndexToCheck& which, CheckReport* report)
{
    const std::string name = baseName(which.path);
    Problems problems(report, name);
    if (!fileSystem().exists(which.path)) {
        if (which.mustExist)
            problems.add("index file missing");
        else
            problems.note("index file missing (it is built when the table is opened)");
        return;
    }
    std::unique_ptr<NtxIndex> ix;
    if (Status s = NtxIndex::open(which.path, ShareMode::Shared, &ix); !s.ok()) {
        problems.add("cannot read the index", s.toString());
        return;
    }
    const ntx::Header& h = ix->header();
    if (!which.expectedExpression.empty() &&
        normalizeKeyExpression(h.expression) != normalizeKeyExpression(which.expectedExpression)) {
        problems.add("made for another key", "\"" + h.expression + "\", the table's is \"" +
                                                 which.expectedExpression + "\"");
        return;
    }
    std::unique_ptr<KeySource> key;
    if (Status s = compileKey(h.expression, dbf.layout(), &key); !s.ok()) {
        problems.add("key expression does not fit the table", s.message());
        return;
    }
    if (std::min(key->naturalSize(), kMaxKeySize) != h.keySize) {
        problems.add("key length differs", std::to_string(h.keySize) + " in the file, " +
                                               std::to_string(key->naturalSize()) + " from the table");
        return;
    }
    key->setShape(h.keySize, h.keyDecimals);
    std::vector<ntx::KeyList> lists;
    if (Status s = ntx::collectKeys(dbf, {key.get()}, &lists); !s.ok()) {
        problems.add("cannot read the table", s.toString());
        return;
    }
    if (Status s = ix->lockRead(); !s.ok()) {
        problems.add(s.is(Status::Code::Corrupt) && h.updating ? "an update was interrupted; the index must be rebuilt"
                                                               : "cannot read the index",
                     s.is(Status::Code::Corrupt) && h.updating ? "" : s.toString());
        return;
    }
    WalkState st;
    st.header = &ix->header();
    st.keys = &lists[0];
    st.seenRecord.assign(std::size_t(lists[0].count) + 1, 0);
    const bool walked = walk(*ix, ix->header().root, 0, st, problems);

    // The free-page chain: inside the file, outside the tree, no loop.
    std::uint64_t fileSize = 0;
    (void)ix->file().size(&fileSize);
    std::uint32_t freePages = 0;
    for (std::uint32_t off = ix->header().freeHead; off != 0 && walked;) {
        if (off % ntx::kPageSize != 0 || off + ntx::kPageSize > fileSize) {
            problems.add("free page chain leaves the file", "offset " + std::to_string(off));
            break;
        }
        if (!st.pages.insert(off).second) {
            problems.add("free page chain loops or enters the tree", "page " + std::to_string(off));
            break;
        }
        char page[ntx::kPageSize];
        if (!ix->file().readExact(off, page, sizeof page).ok())
            break;
        const int slot0 = ntx::get16(page + 2);
        if (slot0 < 2 * (ix->header().maxItems + 2) || slot0 + ix->header().itemSize > int(ntx::kPageSize)) {
            problems.add("free page with a broken slot 0", "page " + std::to_string(off));
            break;
        }
        ++freePages;
        off = ntx::get32(page + slot0);
    }
    ix->unlockRead();

    // Records marked pending by this engine's writers: one whose lock is held is being appended
    // or changed right now (its keys come with its commit); one whose lock nobody holds belongs to
    // a writer that died, and the next opener rebuilds the index.
    std::vector<std::uint32_t> live;
    for (std::uint32_t n : ix->header().pending) {
        bool held = false;
        if (Status s = dbf.recordHeldElsewhere(n, &held); !s.ok()) {
            problems.add("cannot try a record lock", s.toString());
        } else if (held) {
            live.push_back(n);
            problems.note("record " + std::to_string(n) + " is being written by another workstation");
        } else {
            problems.add("an update was interrupted; the index must be rebuilt", "record " + std::to_string(n));
        }
    }
    if (walked) {
        std::uint32_t missing = 0, twice = 0;
        for (std::uint32_t r = 1; r <= lists[0].count; ++r) {
            const bool pendingNow = std::find(live.begin(), live.end(), r) != live.end();
            if (st.seenRecord[r] == 0 && !pendingNow && ++missing <= std::uint32_t(kShown))
                problems.add("record missing from the index", "record " + std::to_string(r));
            if (st.seenRecord[r] > 1 && ++twice <= std::uint32_t(kShown))
                problems.add("record listed more than once", "record " + std::to_string(r));
        }
        if (missing > std::uint32_t(kShown))
            problems.add("records missing from the index: " + std::to_string(missing) + " in all");
        if (st.unevenLeaves)
            problems.note("leaves at different depths");
        const std::uint64_t filePages = fileSize / ntx::kPageSize;
        if (fileSize % ntx::kPageSize != 0)
            problems.note("file size is not a whole number of pages");
        if (filePages > 0 && filePages - 1 != st.pages.size())
            problems.note(std::to_string(filePages - 1 - std::min<std::uint64_t>(filePages - 1, st.pages.size())) +
                          " pages belong to neither the tree nor the free list");
    }
    report->summary.push_back(name + " (" + ix->header().expression + "): " + std::to_string(st.position) +
                              " keys, " + std::to_string(st.leafDepth + 1) + " levels, " +
                              std::to_string(st.pages.size() - freePages) + " pages, " + std::to_string(freePages) +
                              " free");
}

}  // namespace

void checkTable(const std::string& dbfPath, const std::vector<IndexToCheck>& indexes, CheckReport* report)
{
    const std::string name = baseName(dbfPath);
    std::unique_ptr<DbfFile> dbf;
    {
        Problems problems(report, name);
        if (Status s = DbfFile::open(dbfPath, ShareMode::Shared, &dbf); !s.ok()) {
            problems.add("cannot read the table", s.toString());
            return;
        }
        const Layout& layout = dbf->layout();
        const std::uint32_t count = dbf->count();
        if (layout.headerCount() > count)
            problems.add("the header counts more records than the file holds",
                         std::to_string(layout.headerCount()) + " counted, " + std::to_string(count) + " present");
        else if (layout.headerCount() < count)
            problems.note("the header counts " + std::to_string(layout.headerCount()) + " records, the file holds " +
                          std::to_string(count));
        if (const std::uint64_t trailing = dbf->trailingBytes(); trailing > 0) {
            char last = 0;
            std::size_t got = 0;
            std::uint64_t size = 0;
            (void)dbf->file().size(&size);
            (void)dbf->file().read(size - 1, &last, 1, &got);
            if (trailing != 1 || last != char(dbf::kEndOfFile))
                problems.note(std::to_string(trailing) + " bytes after the last record (ignored by every reader)");
        }
        // Every record once: flags and field texts.
        const std::size_t rl = layout.recordLength();
        std::vector<char> buf(std::size_t(4096) * rl);
        std::uint32_t deleted = 0;
        int oddFields = 0;
        // A key the table's own order holds once (a document number, a code): its live records
        // must not repeat it. Blank keys are left out (a record another workstation is saving).
        std::unique_ptr<KeySource> unique;
        const TableDef* def = findTable(stem(name));
        if (def && *uniqueKey(*def))
            (void)compileKey(uniqueKey(*def), layout, &unique);
        std::map<std::string, std::uint32_t> seen;
        std::string keyBytes;
        for (std::uint32_t first = 1; first <= count; first += 4096) {
            std::uint32_t got = 0;
            if (Status s = dbf->readMany(first, std::min<std::uint32_t>(4096, count - first + 1), buf.data(), &got);
                !s.ok() || got == 0) {
                problems.add("cannot read the records", s.toString());
                break;
            }
            for (std::uint32_t i = 0; i < got; ++i) {
                const char* rec = buf.data() + std::size_t(i) * rl;
                const std::uint32_t n = first + i;
                // Odd field texts are notes: every reader reads them somehow (a record a killed
                // writer left half written looks like this, and it was never committed).
                if (rec[0] == dbf::kDeletedFlag)
                    ++deleted;
                else if (rec[0] != dbf::kLiveFlag && ++oddFields <= kShown)
                    problems.note("record " + std::to_string(n) + ": deletion flag is neither blank nor '*'");
                if (unique && rec[0] != dbf::kDeletedFlag) {
                    unique->key(rec, keyBytes);
                    if (keyBytes.find_first_not_of(' ') != std::string::npos) {
                        const auto [at, fresh] = seen.emplace(keyBytes, n);
                        if (!fresh)
                            problems.add("live records repeat a key the table holds once",
                                         "records " + std::to_string(at->second) + " and " + std::to_string(n) +
                                             " both hold " + uniqueKey(*def) + " \"" +
                                             escaped(keyBytes) + "\"");
                    }
                }
                for (const Field& f : layout.fields()) {
                    if (field::isBlank(f, rec))
                        continue;
                    bool odd = f.type == FieldType::Date && field::date(f, rec).isEmpty();
                    if (f.type == FieldType::Numeric) {
                        const std::string_view t = core::xbase::ltrimView(field::raw(f, rec));
                        odd = t.empty() || t.find_first_not_of("-.0123456789") != std::string_view::npos;
                    }
                    if (odd && ++oddFields <= kShown)
                        problems.note("record " + std::to_string(n) + ": " + f.name + " holds \"" +
                                      escaped(field::raw(f, rec)) + "\"");
                }
            }
        }
        if (oddFields > kShown)
            problems.note(std::to_string(oddFields - kShown) + " more fields or flags with odd texts");
        report->summary.push_back(name + ": " + std::to_string(count) + " records, " + std::to_string(deleted) +
                                  " deleted");
    }
    for (const IndexToCheck& ix : indexes)
        checkIndex(*dbf, ix, report);
}

std::vector<IndexToCheck> indexesOf(const std::string& dbfPath)
{
    std::vector<IndexToCheck> out;
    const std::string folder = folderOf(dbfPath);
    const std::string table = stem(baseName(dbfPath));
    if (const TableDef* def = findTable(table)) {
        for (const IndexDef& ix : def->indexes)
            out.push_back({core::paths::resolve(folder + "/" + ix.file + ".NTX"), ix.key, false});
        return out;
    }
    std::unique_ptr<DbfFile> dbf;
    if (!DbfFile::open(dbfPath, ShareMode::Shared, &dbf).ok())
        return out;
    std::vector<std::string> names;
    (void)fileSystem().list(folder, &names);
    for (const std::string& n : names) {
        if (!hasExtension(n, "NTX") || n.size() < table.size() ||
            !core::xbase::equalsNoCase(n.substr(0, table.size()), table))
            continue;
        const std::string path = folder + "/" + n;
        std::unique_ptr<NtxIndex> ix;
        std::unique_ptr<KeySource> key;
        if (NtxIndex::open(path, ShareMode::Shared, &ix).ok() &&
            compileKey(ix->header().expression, dbf->layout(), &key).ok())
            out.push_back({path, "", true});
    }
    return out;
}

void checkPath(const std::string& path, CheckReport* report)
{
    const std::string p = core::paths::resolve(path);
    if (core::paths::isDirectory(p)) {
        std::vector<std::string> names;
        if (Status s = fileSystem().list(p, &names); !s.ok()) {
            report->problems.push_back(path + ": " + s.toString());
            return;
        }
        bool any = false;
        for (const std::string& n : names) {
            if (!hasExtension(n, "DBF"))
                continue;
            any = true;
            const std::string table = p + "/" + n;
            checkTable(table, indexesOf(table), report);
        }
        if (!any)
            report->notes.push_back(path + ": no tables in this folder");
        return;
    }
    if (!fileSystem().exists(p)) {
        report->problems.push_back(path + ": no such table or folder");
        return;
    }
    checkTable(p, indexesOf(p), report);
}

}  // namespace storage
