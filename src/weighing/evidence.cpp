#include "weighing/evidence.h"

#include <QCryptographicHash>
#include <QString>
#include <QSysInfo>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "core/clock.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/value.h"
#include "core/xbase.h"
#include "storage/field_codec.h"
#include "storage/os.h"
#include "storage/own_table.h"
#include "storage/table.h"
#include "weighing/evidence_log.h"

namespace weighing::evidence {
namespace {

using storage::FieldType;
using storage::Status;

const std::vector<storage::FieldSpec>& fieldSpecs()
{
    static const std::vector<storage::FieldSpec> specs = {
        {"KIND", FieldType::Character, 1, 0},    {"TICKET", FieldType::Character, 6, 0},
        {"EVENT", FieldType::Character, 8, 0},   {"DATE", FieldType::Date, 8, 0},
        {"TIME", FieldType::Character, 8, 0},    {"WEIGHT", FieldType::Numeric, 12, 2},
        {"SOURCE", FieldType::Character, 1, 0},  {"FRAME", FieldType::Character, 2 * kFrameBytes, 0},
        {"PORT", FieldType::Character, 20, 0},   {"DEVICE", FieldType::Character, 10, 0},
        {"USERID", FieldType::Character, 10, 0}, {"HOST", FieldType::Character, 30, 0},
        {"VALUES", FieldType::Character, 254, 0}, {"PREV", FieldType::Character, 64, 0},
        {"HASH", FieldType::Character, 64, 0},
    };
    return specs;
}

const std::string kNoHash(64, '0');

std::string hex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::string joinValues(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string out;
    for (const auto& [name, value] : values)
        out += (out.empty() ? "" : "|") + name + "=" + value;
    return out;
}

std::map<std::string, std::string> splitValues(std::string_view text)
{
    std::map<std::string, std::string> out;
    while (!text.empty()) {
        const std::size_t bar = text.find('|');
        const std::string_view pair = text.substr(0, bar);
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos)
            out[std::string(pair.substr(0, eq))] = std::string(pair.substr(eq + 1));
        if (bar == std::string_view::npos)
            break;
        text.remove_prefix(bar + 1);
    }
    return out;
}

// The bytes the hash covers: the record without its flag and without HASH (the last field).
std::string_view hashed(const storage::Layout& layout, std::string_view record)
{
    const storage::Field& last = layout.fields().back();
    return record.substr(1, last.offset - 1);
}

Status openTable(const std::string& folder, bool create, std::unique_ptr<storage::Table>* out)
{
    return storage::openOwnTable(core::paths::join(folder, kTableFile), fieldSpecs(), create, out);
}

std::string field(storage::Table& t, const char* name)
{
    std::string_view raw;
    const int i = t.fieldIndex(name);
    return i >= 0 && t.raw(i, &raw).ok() ? core::xbase::alltrim(raw) : std::string();
}

// "12000.00" shown as 12000, "12000.50" as 12000.5: the way a person writes a weight.
std::string tidy(const std::string& v)
{
    if (v.find('.') == std::string::npos || v.find_first_not_of("-0123456789.") != std::string::npos)
        return v;
    std::string out = v;
    while (out.back() == '0')
        out.pop_back();
    if (out.back() == '.')
        out.pop_back();
    return out;
}

}  // namespace

std::string sha256Hex(std::string_view bytes)
{
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Sha256);
    return hex(std::string_view(digest.constData(), std::size_t(digest.size())));
}

namespace {

// The SHA-256 of the executable file that runs, in hexadecimal, and its path; "unknown" and ""
// when it cannot be read.
std::pair<std::string, std::string> executableHash()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {"unknown", ""};
    std::ifstream in(exe, std::ios::binary);
    QCryptographicHash sha(QCryptographicHash::Sha256);
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        sha.addData(QByteArrayView(buffer, qsizetype(in.gcount())));
    if (!in.eof())
        return {"unknown", ""};
    const QByteArray digest = sha.result();
    return {hex(std::string_view(digest.constData(), std::size_t(digest.size()))), exe.string()};
}

}  // namespace

std::string programIdentity(const std::string& name)
{
    const auto [hash, path] = executableHash();
    return name + " " + MERVO_VERSION + "\nsha256 " + hash + (path.empty() ? "" : "  " + path);
}

std::string programIdentityLine(const std::string& name)
{
    return name + " " + MERVO_VERSION + " sha256 " + executableHash().first;
}

Status append(const std::string& folder, const Event& e, int waitMs)
{
    std::unique_ptr<storage::File> lock;
    STORAGE_TRY(storage::holdLockFile(core::paths::join(folder, kLockFile), waitMs, &lock));

    std::unique_ptr<storage::Table> t;
    STORAGE_TRY(openTable(folder, true, &t));
    const storage::Layout& layout = t->layout();
    std::string prev = kNoHash;
    if (const std::uint32_t n = t->recCount(); n > 0) {
        STORAGE_TRY(t->goTo(n));
        prev = field(*t, "HASH");
    }

    std::string record = layout.blankRecord();
    const auto put = [&](const char* name, const core::Value& v) {
        const int i = layout.find(name);
        return i < 0 ? Status::invalidArgument(std::string("no field ") + name)
                     : storage::field::putValue(layout.fields()[std::size_t(i)], record.data(), v);
    };
    const std::string frame = e.frame.substr(0, kFrameBytes);
    const std::string values = joinValues(e.values);
    if (values.size() > 254)
        return Status::invalidArgument("the values of the evidence record are longer than 254 characters");
    STORAGE_TRY(put("KIND", core::Value::text(std::to_string(e.kind))));
    STORAGE_TRY(put("TICKET", core::Value::text(e.ticket)));
    STORAGE_TRY(put("EVENT", core::Value::text(e.event)));
    const bool now = e.date.isEmpty();
    STORAGE_TRY(put("DATE", core::Value::date(now ? core::clock().today() : e.date)));
    STORAGE_TRY(put("TIME", core::Value::text(now ? core::timeOfDay() : e.time)));
    STORAGE_TRY(put("WEIGHT", core::Value::number(e.weight, 2)));
    STORAGE_TRY(put("SOURCE", core::Value::text(std::string(1, e.source))));
    STORAGE_TRY(put("FRAME", core::Value::text(hex(frame))));
    STORAGE_TRY(put("PORT", core::Value::text(e.port.substr(0, 20))));
    STORAGE_TRY(put("DEVICE", core::Value::text(e.device.substr(0, 10))));
    STORAGE_TRY(put("USERID", core::Value::text(core::programSettings().text("CUSER"))));
    STORAGE_TRY(put("HOST", core::Value::text(QSysInfo::machineHostName().toStdString().substr(0, 30))));
    STORAGE_TRY(put("VALUES", core::Value::text(values)));
    STORAGE_TRY(put("PREV", core::Value::text(prev)));
    STORAGE_TRY(put("HASH", core::Value::text(sha256Hex(hashed(layout, record)))));
    // The whole record reaches the file in the write that counts it: a process killed meanwhile
    // leaves the chain as it was.
    STORAGE_TRY(t->append(record.data()));
    STORAGE_TRY(t->commit());
    return t->close();
}

Verification verify(const std::string& folder, core::Date from, core::Date to)
{
    Verification v;
    std::map<std::string, std::map<std::string, std::string>> lastSave;  // by kind + ticket
    std::string since;  // DTOS + time of the first record: tickets completed before it are older
    std::unique_ptr<storage::Table> t;
    const Status opened = openTable(folder, false, &t);
    if (!opened.ok() && opened.code() != Status::Code::NotFound) {
        v.problems.push_back(std::string(kTableFile) + ": " + opened.message());
        return v;
    }
    if (opened.ok()) {
        const storage::Layout& layout = t->layout();
        std::string before = kNoHash;
        for (std::uint32_t r = 1; r <= t->recCount(); ++r) {
            const char* bytes = nullptr;
            if (!t->goTo(r).ok() || !t->record(&bytes).ok()) {
                v.problems.push_back(std::string(kTableFile) + ": record " + std::to_string(r) + " cannot be read");
                break;
            }
            ++v.records;
            const std::string_view record(bytes, layout.recordLength());
            const std::string hash = field(*t, "HASH"), prev = field(*t, "PREV");
            const std::string at = std::string("EVIDENCE.DBF: record ") + std::to_string(r);
            if (sha256Hex(hashed(layout, record)) != hash)
                v.findings.push_back("broken: " + at + ": contents do not match its hash");
            else if (r > 1 && prev != before)
                v.findings.push_back("broken: " + at + ": hash does not follow record " + std::to_string(r - 1));
            before = hash;
            if (t->deleted()) {
                v.findings.push_back("deleted: " + at + ": marked deleted");
                continue;
            }
            if (r == 1)
                since = field(*t, "DATE") + field(*t, "TIME");
            const std::string event = field(*t, "EVENT");
            if (event != "WEIGH1" && event != "WEIGH2" && event != "TRUCKWT")
                lastSave[field(*t, "KIND") + field(*t, "TICKET")] = splitValues(field(*t, "VALUES"));
        }
        (void)t->close();
    }

    for (int kind = 1; kind <= 5; ++kind) {
        const std::string name = "WDATA" + std::to_string(kind) + ".DBF";
        std::unique_ptr<storage::Table> w;
        if (const Status s = storage::Table::open(core::paths::join(folder, name), storage::ShareMode::Shared, &w);
            !s.ok()) {
            if (s.code() != Status::Code::NotFound)
                v.problems.push_back(name + ": " + s.message());
            continue;
        }
        for (std::uint32_t r = 1; r <= w->recCount(); ++r) {
            if (!w->goTo(r).ok()) {
                v.problems.push_back(name + ": record " + std::to_string(r) + " cannot be read");
                break;
            }
            if (field(*w, "STAT") != "2")
                continue;
            const core::Date dayin = core::Date::fromDtos(field(*w, "DAYIN"));
            if ((!from.isEmpty() && dayin < from) || (!to.isEmpty() && to < dayin))
                continue;
            ++v.ticketsChecked;
            const std::string number = field(*w, "TICKET");
            const auto save = lastSave.find(std::to_string(kind) + number);
            if (save == lastSave.end()) {
                if (since.empty() || field(*w, "DAYOUT") + field(*w, "TMOUT") < since)
                    ++v.ticketsBefore;
                else
                    v.findings.push_back("missing: " + name + ": " + number + ": no evidence");
                continue;
            }
            for (const auto& [fieldName, stored] : savedValues(*w)) {
                const auto kept = save->second.find(fieldName);
                const std::string evidence = kept == save->second.end() ? std::string() : kept->second;
                if (stored != evidence)
                    v.findings.push_back("changed: " + name + ": " + number + ": " + fieldName + " stored " +
                                         core::tis620::toUtf8(tidy(stored)) + ", evidence " +
                                         core::tis620::toUtf8(tidy(evidence)));
            }
        }
        (void)w->close();
    }
    return v;
}

namespace {

// EVIDENCE.DBF of the data folder in force. The sources of the tickets' weights are read once and
// then only the records appended since (the table only grows; a smaller one, or another folder,
// is read again from its start), so a ticket screen's display costs no scan of the whole table.
class FileEvidenceLog final : public EvidenceLog {
public:
    // A failed append is also written to the error log (Error.log, where the error trap writes its
    // reports), so that the gap in the chain can be explained later.
    Status append(const Event& e) override
    {
        const Status s = evidence::append(folder(), e);
        if (!s.ok()) {
            std::ofstream log("Error.log", std::ios::app | std::ios::binary);
            log << core::clock().today().dtoc() << ' ' << core::timeOfDay() << " EVIDENCE.DBF: " << e.event
                << " of ticket " << e.kind << '/' << e.ticket << " not recorded: " << s.message() << "\r\n";
        }
        return s;
    }

    std::array<char, 2> weightSources(int kind, const std::string& ticket) override
    {
        std::unique_ptr<storage::Table> t;
        const std::string dir = folder();
        if (!openTable(dir, false, &t).ok())
            return {' ', ' '};
        if (dir != m_folder || t->recCount() < m_read) {
            m_folder = dir;
            m_read = 0;
            m_sources.clear();
        }
        for (; m_read < t->recCount(); ++m_read) {
            if (!t->goTo(m_read + 1).ok())
                break;
            const std::string event = field(*t, "EVENT");
            if (t->deleted() || (event != "WEIGH1" && event != "WEIGH2"))
                continue;
            const std::string source = field(*t, "SOURCE");
            const std::string key = field(*t, "KIND") + field(*t, "TICKET");
            auto& sources = m_sources.try_emplace(key, std::array<char, 2>{' ', ' '}).first->second;
            sources[event == "WEIGH1" ? 0 : 1] = source.empty() ? ' ' : source[0];
        }
        (void)t->close();
        const auto found = m_sources.find(std::to_string(kind) + core::xbase::alltrim(ticket));
        return found == m_sources.end() ? std::array<char, 2>{' ', ' '} : found->second;
    }

    std::vector<EvidenceEntry> history(int kind, const std::string& ticket) override
    {
        std::vector<EvidenceEntry> out;
        std::unique_ptr<storage::Table> t;
        if (!openTable(folder(), false, &t).ok())
            return out;
        const std::string k = std::to_string(kind), number = core::xbase::alltrim(ticket);
        for (std::uint32_t r = 1; r <= t->recCount() && t->goTo(r).ok(); ++r) {
            if (field(*t, "KIND") != k || field(*t, "TICKET") != number)
                continue;
            core::Value weight;
            (void)t->get("WEIGHT", &weight);
            const core::Date date = core::Date::fromDtos(field(*t, "DATE"));
            out.push_back({date.isEmpty() ? std::string() : date.dtoc(), field(*t, "TIME"), field(*t, "EVENT"),
                           weight.asNumber(), field(*t, "SOURCE"), field(*t, "USERID"), field(*t, "HOST"),
                           field(*t, "PORT"), field(*t, "VALUES")});
        }
        (void)t->close();
        return out;
    }

private:
    static std::string folder() { return core::programSettings().text("CDRV2"); }

    std::string m_folder;
    std::uint32_t m_read = 0;
    std::map<std::string, std::array<char, 2>> m_sources;
};

}  // namespace

}  // namespace weighing::evidence

namespace weighing {

EvidenceLog& fileEvidenceLog()
{
    static evidence::FileEvidenceLog log;
    return log;
}

}  // namespace weighing
