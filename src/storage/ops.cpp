#include "storage/ops.h"

#include <cmath>
#include <memory>

#include "core/clock.h"
#include "core/fault.h"
#include "core/paths.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/functions.h"
#include "storage/fault_bridge.h"

namespace storage {
namespace {

using core::tis620::T;

// A wait in seconds as the engine's timeout: 0 (and anything not above 0) means without limit.
int timeoutMs(double wait)
{
    if (!(wait > 0))
        return -1;
    return int(std::min(wait, 1e6) * 1000 + 0.5);
}

// Hands a failure that is not "held by another workstation" to the error trap. True when the
// answer is Retry.
bool retryAfterFault(const Status& s, const std::string& operation, const std::string& file)
{
    core::Fault f = toFault(s, operation, file);
    // Opens, locks and appends return their failure to the caller; the caller says what it means.
    f.canDefault = true;
    return core::raise(f) == core::FaultAnswer::Retry;
}

// The file name of a path without folder and extension: the alias NET_USE gives a table by default.
std::string stemOf(std::string_view file)
{
    const auto slash = file.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? file : file.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::string(name);
}

// A folder setting joined to a file name, as a path the engine resolves.
std::string pathOf(std::string_view folder, std::string_view name, std::string_view extension)
{
    std::string p(folder);
    p.append(name);
    p.append(extension);
    return core::paths::native(p);
}

// An index file's path: the existing file in any letter case, else a new one in upper case (as the
// reference runtime names the files it makes).
std::string indexPathOf(std::string_view folder, std::string_view name)
{
    FileSystem& fs = fileSystem();
    const std::string given = pathOf(folder, name, ".NTX");
    if (fs.exists(fs.resolve(given)))
        return given;
    return pathOf(folder, core::xbase::upper(name), ".NTX");
}

void tell(const std::string& text, const std::string& title)
{
    core::prompts().message(core::MessageKind::Info, text, title);
}

// Opens the table with its orders, each (file path, key) built when missing; the active order is
// `active` (1-based). Shows "not found" / "cannot open" with the title under the caption.
bool openWithOrders(Workspace& ws, std::string_view folder, std::string_view table, bool exclusive,
                    const std::vector<std::pair<std::string, std::string>>& orders, int active,
                    const std::string& title, const std::string& caption, std::string_view alias)
{
    const std::string name = alias.empty() ? std::string(table) : std::string(alias);
    if (ws.find(name))
        (void)ws.close(name);
    FileSystem& fs = fileSystem();
    const std::string file = pathOf(folder, table, {});
    if (!fs.exists(fs.resolve(file + ".DBF"))) {
        tell(T("ไม่พบแฟ้ม ") + title, caption);
        (void)unlockAll(ws);
        return false;
    }
    if (!NET_USE(ws, file, exclusive, kOpenWait, name)) {
        tell(T("ไม่สามารถเปิดแฟ้ม ") + title, caption);
        (void)unlockAll(ws);
        return false;
    }
    Table* t = ws.find(name);
    // Another workstation may be building a missing index right now: its write lock is waited
    // for within the open's own time.
    const std::int64_t begin = core::clock().monotonicMs();
    for (const auto& order : orders) {
        const std::string& index = order.first;
        const std::string& key = order.second;
        for (;;) {
            const int left = int(std::max<std::int64_t>(0, timeoutMs(kOpenWait) - (core::clock().monotonicMs() - begin)));
            Status s = retryWhileLocked(
                [&] { return exclusive ? t->createOrder(index, key) : t->addOrder(index, key); }, left);
            if (s.ok())
                break;
            if (!s.is(Status::Code::Locked) && retryAfterFault(s, exclusive ? "INDEX ON" : "SET INDEX", index))
                continue;
            (void)ws.close(name);
            tell(T("ไม่สามารถเปิดแฟ้ม ") + title, caption);
            (void)unlockAll(ws);
            return false;
        }
    }
    (void)t->setOrder(active);
    (void)t->goTop();
    (void)unlockAll(ws);
    (void)ws.select(name);
    return true;
}

}  // namespace

// ---- Opening

bool NET_USE(Workspace& ws, std::string_view file, bool exclusive, double wait, std::string_view alias)
{
    const std::string name = alias.empty() ? stemOf(file) : std::string(alias);
    const std::string path = core::paths::native(std::string(file) + ".DBF");
    const ShareMode mode = exclusive ? ShareMode::Exclusive : ShareMode::Shared;
    for (;;) {
        if (ws.find(name))
            (void)ws.close(name);
        std::unique_ptr<Table> t;
        const Status s = Table::openWait(path, mode, timeoutMs(wait), &t);
        if (s.ok()) {
            ws.adopt(name, std::move(t));
            return true;
        }
        if (s.is(Status::Code::Locked) || !retryAfterFault(s, "USE", path))
            return false;
    }
}

bool OPEN(Workspace& ws, std::string_view folder, std::string_view table, std::string_view key, bool exclusive,
          std::string_view title, std::string_view indexFile, std::string_view alias)
{
    return openWithOrders(ws, folder, table, exclusive, {{indexPathOf(folder, indexFile), std::string(key)}}, 1,
                          std::string(title), T("ส่วนการเปิดแฟ้ม"), alias);
}

bool OPENTRK(Workspace& ws, std::string_view folder, std::string_view table, std::string_view alias)
{
    std::vector<std::pair<std::string, std::string>> orders;
    for (const WeighingOrder& o : kWeighingOrders)
        orders.emplace_back(indexPathOf(folder, std::string(table) + o.suffix), o.key);
    return openWithOrders(ws, folder, table, false, orders, kWeighingActiveOrder, std::string(table),
                          T("  ส่วนการเปิดแฟ้ม"), alias);
}

// ---- Locks and appends

bool REC_LOCK(Workspace& ws, double wait)
{
    Table* t = ws.current();
    if (!t)
        return false;
    for (;;) {
        const Status s = t->lockWait(timeoutMs(wait));
        if (s.ok())
            return true;
        if (s.is(Status::Code::Locked) || !retryAfterFault(s, "RLOCK", t->path()))
            return false;
    }
}

bool ADD_REC(Workspace& ws, double wait)
{
    Table* t = ws.current();
    if (!t)
        return false;
    for (;;) {
        const Status s = t->appendWait(timeoutMs(wait));
        if (s.ok())
            return true;
        if (s.is(Status::Code::Locked) || !retryAfterFault(s, "APPEND BLANK", t->path()))
            return false;
    }
}

bool addKeyedRow(Workspace& ws, std::string_view key,
                 std::initializer_list<std::pair<const char*, std::string>> keyFields, const Table* keep)
{
    Table* t = ws.current();
    if (!t)
        return false;
    for (;;) {
        const Status s = retryWhileLocked([t] { return t->lockFile(); }, -1);
        if (s.ok())
            break;
        if (!retryAfterFault(s, "FLOCK", t->path()))
            return false;
    }
    Status s = t->seek(key);
    while (!s.ok() && retryAfterFault(s, "SEEK", t->path()))
        s = t->seek(key);
    bool ok = s.ok() && t->found();
    if (s.ok() && !t->found() && ADD_REC(ws)) {
        do {
            s = {};
            for (const auto& [field, value] : keyFields)
                if (s.ok())
                    s = t->put(field, core::Value::text(value));
        } while (!s.ok() && retryAfterFault(s, "APPEND", t->path()));
        ok = commitAll(ws) && s.ok();
    }
    (void)unlockAll(ws, keep);
    return ok;
}

bool commitAll(Workspace& ws)
{
    bool ok = true;
    for (const std::string& alias : ws.aliases()) {
        Table* t = ws.find(alias);
        for (;;) {
            const Status s = t->commit();
            if (s.ok())
                break;
            if (!retryAfterFault(s, "COMMIT", t->path())) {
                ok = false;
                break;
            }
        }
    }
    return ok;
}

bool unlockAll(Workspace& ws, const Table* keep)
{
    bool ok = true;
    for (const std::string& alias : ws.aliases()) {
        Table* t = ws.find(alias);
        if (t == keep)
            continue;
        const Status s = t->unlock();
        if (!s.ok()) {
            (void)retryAfterFault(s, "UNLOCK", t->path());
            ok = false;
        }
    }
    return ok;
}

// ---- Running numbers and link keys

std::string ZERO(double n, int width)
{
    return expr::zero(n, width);
}

std::string CONSEC(std::string_view series, std::string_view mode)
{
    return CONSEC(core::programSettings().text("CDRV1"), series, mode);
}

namespace {

// Reads (write false) or takes (write true) the number of a series; false, after telling why,
// when "Consec" or the series could not be reached or the new number not be stored.
bool runningNumber(std::string_view folder, std::string_view series, bool write, std::string* number)
{
    const std::string caption = T("  ส่วนกำหนดเลขใบชั่ง");
    // A work area set of its own: the caller's areas, selection and locks stay as they were.
    Workspace ws;
    if (!OPEN(ws, folder, "Consec", "code", false, "Consec", "Consec")) {
        tell(T("แฟ้มเลขใบชั่งไม่สามารถเปิดได้"), caption);
        return false;
    }
    Table* t = ws.current();
    // The code padded to the field: "TRK0" must not take the numbers of "TRK01".
    const int code = t->fieldIndex("CODE");
    const std::size_t width = code >= 0 ? t->layout().fields()[std::size_t(code)].length : series.size();
    if (!t->seek(core::xbase::padRight(series, std::max(width, series.size()))).ok() || !t->found()) {
        tell(T("ไม่พบเลขลำดับของระบบ ") + std::string(series), caption);
        return false;
    }
    core::Value csno;
    bool ok = false;
    if (write) {
        // The number is read under the series record's lock (another workstation may have taken
        // one since the seek) and the next one is on disk before the lock is released.
        if (!REC_LOCK(ws, 0) || !t->get("CSNO", &csno).ok())
            return false;
        for (;;) {
            Status s = t->putNumber(t->fieldIndex("CSNO"), std::trunc(csno.asNumber()) + 1);
            if (s.ok())
                s = t->commit();
            if (s.ok()) {
                *number = ZERO(csno.asNumber(), 6);
                ok = true;
                break;
            }
            if (!retryAfterFault(s, "CONSEC", t->path()))
                break;
        }
        (void)t->unlock();
    } else if (t->get("CSNO", &csno).ok()) {
        *number = ZERO(csno.asNumber(), 6);
        ok = true;
    }
    (void)ws.closeAll();
    return ok;
}

}  // namespace

std::string CONSEC(std::string_view folder, std::string_view series, std::string_view mode)
{
    std::string number = "000000";
    (void)runningNumber(folder, series, core::xbase::equalsNoCase(core::xbase::alltrim(mode), "W"), &number);
    return number;
}

std::optional<std::string> takeNumber(std::string_view series)
{
    std::string number;
    if (!runningNumber(core::programSettings().text("CDRV1"), series, true, &number))
        return std::nullopt;
    return number;
}

namespace {
std::string g_lastIndent;  // the last key this process made
}

std::string INDENT(Workspace& ws)
{
    Table* detail = ws.find("detail");
    std::string key;
    for (;;) {
        core::Clock& c = core::clock();
        const std::int64_t h = c.hundredthsSinceMidnight();
        key = c.today().dtos() + ZERO(double(h / 100), 5) + ZERO(double(h % 100), 2);
        bool taken = key == g_lastIndent;
        if (!taken && detail && detail->order() > 0) {
            taken = detail->seek(key).ok() && detail->found();
        }
        if (!taken)
            break;
        core::TDELAY(0.01);
    }
    g_lastIndent = key;
    (void)ws.select("wdata");
    return key;
}

}  // namespace storage
