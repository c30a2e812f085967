#include "reports/report.h"

#include "codes/pick_list.h"
#include "core/clock.h"
#include "core/paths.h"
#include "core/print_destination.h"
#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/seam.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "reports/analysis.h"
#include "reports/tables.h"
#include "storage/catalogue.h"
#include "storage/ops.h"

namespace reports {
namespace {

using core::tis620::T;

constexpr const char* kDefinitionAlias = "RepPrn";
constexpr int kCodeWidth = 10;

void tell(const char* utf8, const std::string& tail = {}, const char* title = kReportTitleUtf8)
{
    core::prompts().message(core::MessageKind::Info, T(utf8) + tail, T(title));
}

// "RepList" opened shared as the report screens open it (display name "ตารางรหัสรายงาน").
bool openRepList(storage::Workspace& ws)
{
    const storage::TableDef& def = storage::codeTable(12);
    const storage::IndexDef& ix = def.indexes.front();
    return storage::OPEN(ws, core::programSettings().text(def.folderSetting), def.name, ix.key, false,
                         T(def.maintenanceTitle), ix.file, "RepList");
}

std::string fieldText(storage::Table& t, const char* field)
{
    core::Value v;
    return t.get(field, &v).ok() && v.isText() ? core::xbase::alltrim(v.asText()) : std::string();
}

// The code of the first (last) record of a code table in code order, blank-padded.
std::string edgeCode(storage::Table& t, bool last)
{
    const storage::Status s = last ? t.goBottom() : t.goTop();
    core::Value v;
    if (!s.ok() || t.eof() || !t.get("CODE", &v).ok() || !v.isText())
        return std::string(kCodeWidth, ' ');
    return core::xbase::padRight(v.asText(), kCodeWidth);
}

class NoScreens final : public ReportScreens {
public:
    bool chooseReport(ReportPicker&) override { return false; }
    void askRanges(ReportSession&) override {}
};

NoScreens g_noScreens;
core::Seam<ReportScreens> g_screens(&g_noScreens);

}  // namespace

// ---- ReportPicker

const std::vector<ReportPicker::Column>& ReportPicker::columns()
{
    static const std::vector<Column> kColumns = {{"รหัสรายงาน", "CODE", 100}, {"ชื่อรายงาน", "NAME", 200}};
    return kColumns;
}

std::string ReportPicker::title()
{
    return T("  กรุณาเลือกรายงานที่ต้องการ");
}

ReportPicker::ReportPicker(storage::Workspace& ws) : m_ws(ws)
{
    storage::Table* list = ws.find("RepList");
    if (!list)
        return;
    std::vector<std::string> expressions;
    for (const Column& c : columns())
        expressions.emplace_back(c.expression);
    if (!storage::TableRowSource::create(*list, expressions, &m_source).ok()) {
        m_source.reset();
        return;
    }
    m_source->goTop();
    m_browse = std::make_unique<codes::TableBrowse>(ws, "RepList", *m_source);
}

ReportPicker::~ReportPicker() = default;

void ReportPicker::top()
{
    if (m_browse)
        codes::SACTION(*m_browse, 1, {}, {});
}

void ReportPicker::bottom()
{
    if (m_browse)
        codes::SACTION(*m_browse, 2, {}, {});
}

void ReportPicker::search(std::string_view text)
{
    if (m_browse)
        codes::SACTION(*m_browse, 3, text, "RepList->code+RepList->name");
}

bool ReportPicker::choose()
{
    if (!m_browse || !m_browse->sync())
        return false;
    storage::Table& list = m_browse->table();
    m_code = fieldText(list, "CODE");
    m_name = fieldText(list, "NAME");
    m_chosen = !m_code.empty();
    return m_chosen;
}

// ---- ReportSession

ReportSession::ReportSession(storage::Workspace& ws) : m_ws(ws), m_relations(ws) {}

ReportSession::~ReportSession()
{
    finish();
}

void ReportSession::finish()
{
    m_relations.clear();
    (void)m_ws.closeAll();
    m_values.clear();
}

bool ReportSession::load(std::string_view code, std::string_view name)
{
    m_code = core::xbase::alltrim(code);
    m_name = core::xbase::alltrim(name);
    m_values.clear();
    m_values.setText("CREPCODE", m_code);
    m_values.setText("CREPNAME", m_name);

    // 2. The definition file.
    const std::string path = core::paths::join(core::programSettings().text("CDRV1"), m_code + ".txt");
    if (!core::paths::exists(path)) {
        tell("ไม่พบรูปแบบรายงาน ", m_code);
        return false;
    }
    std::string bytes, error;
    if (!readDefinitionFile(path, &bytes, &error)) {
        tell(bytes.size() > kMaxDefinitionBytes ? "แฟ้มรูปแบบรายงานมีขนาดใหญ่เกินไป " : "แฟ้มรูปแบบรายงานอ่านไม่ได้ ",
             m_code);
        return false;
    }

    // 3. The definition work table, its lines read back as the engine takes them.
    if (!openWorkTable(m_ws, storage::WorkTable::ReportDefinition, kDefinitionAlias)) {
        tell("แฟ้มรายงานกำลังถูกใช้งาน", {}, kSelectionTitleUtf8);
        return false;
    }
    storage::Table& work = *m_ws.find(kDefinitionAlias);
    for (const std::string& line : splitDefinition(bytes)) {
        if (!work.append().ok() || !work.putText(0, line).ok()) {
            tell("แฟ้มรายงานกำลังถูกใช้งาน", {}, kSelectionTitleUtf8);
            return false;
        }
    }
    (void)work.commit();
    std::vector<std::string> lines;
    for (storage::Status s = work.goTop(); s.ok() && !work.eof(); s = work.skip()) {
        std::string_view raw;
        if (!work.raw(0, &raw).ok())
            break;
        lines.emplace_back(core::xbase::rtrimView(raw));
    }
    m_definition = parseDefinition(lines);
    const DefinitionSettings& s = m_definition.settings;
    m_values.setText("CFILE", s.CFILE);
    m_values.setText("CFORM", s.CFORM);
    m_values.setText("CINDEX", s.CINDEX);
    m_values.setText("CFGROUP", s.CFGROUP);
    m_values.setText("CFBLOCK", s.CFBLOCK);
    m_values.setText("CFCOND", s.CFCOND);
    m_values.set("COFFSET", core::Value::number(s.COFFSET, 2));
    m_values.setText("CEJECT", "N");

    // 4. Every required setting given.
    if (!s.missing().empty()) {
        tell("รูปแบบรายงานระบุเงื่อนไขไม่ครบ");
        return false;
    }
    return true;
}

bool ReportSession::openForm()
{
    const std::string& f = m_definition.settings.CFORM;
    m_form = f.size() == 1 && f[0] >= '1' && f[0] <= '7' ? f[0] - '0' : 0;
    if (m_form == 0)
        return false;
    if (!formFits(m_form, m_code)) {
        tell("ไม่พบเงื่อนไขรายงานที่ระบุ");
        return false;
    }
    m_ranges = rangeDefs(m_form, m_code);
    m_values.set("CPOP", core::Value::number(partyTable(m_form, m_code)));
    m_values.setText("CDRX", partyLabel(m_form, m_code));
    return openFormTables() && setDefaults();
}

bool ReportSession::openFormTables()
{
    const int kind = kindOf(m_code);
    const std::string& key = m_definition.settings.CINDEX;
    const auto code = [](int n) { return std::string(storage::codeTable(n).name); };
    // "detail" is ordered by the definition's key in the report index, built anew from the table's
    // records - never by the table's own index file of the same key: a file left stale (a record
    // written by another program, an update interrupted on a share) would drop records from the
    // report without a word.
    const auto detailOrdered = [&](const std::string& table) {
        return openDetail(m_ws, table) && buildReportIndex(m_ws, reportIndexFile(), key, m_code);
    };
    const auto relate = [&](const std::string& parent, const std::string& child, const char* expression) {
        return m_relations.add(parent, child, expression).ok();
    };
    // A code table the form needs, unless it is open already under its name.
    const auto openCode = [&](const std::string& table) { return m_ws.find(table) || openTable(m_ws, table, table); };
    switch (m_form) {
    case 1: {
        const std::string file = m_definition.settings.CFILE;
        return openTable(m_ws, file, file) && openCode(code(kind));
    }
    case 2: {
        const std::string party = code(partyTable(m_form, m_code));
        if (familyOf(m_code) == Family::STK)
            return openTable(m_ws, "Stock1", "Stock1") && openCode(party) &&
                   detailOrdered("Detail3") && relate("detail", "Stock1", "DTOS(DOC_DATE)+DOC_NO") &&
                   relate("detail", party, "CODE");
        const std::string money = "Money" + std::to_string(kind);
        if (kind <= 2)
            return openTable(m_ws, money, money) && openCode(party) &&
                   detailOrdered("Detail" + std::to_string(kind)) &&
                   relate("detail", money, "DTOS(DOC_DATE)+DOC_NO") && relate(money, party, "COMPANY");
        return openCode(party) && detailOrdered(money) && relate("detail", party, "COMPANY");
    }
    case 3: {
        static constexpr const char* kLedgers[] = {"Stock", "ApAcc", "ArAcc", "OrAcc"};
        const bool orders = kind == 4;
        const std::string party = code(partyTable(m_form, m_code));
        if (!(orders ? openCode("Product") && openCode("Company") : openCode(party)))
            return false;
        // The ledger in its own order, its index rebuilt by the exclusive open.
        if (!openTable(m_ws, kLedgers[kind - 1], "detail", true))
            return false;
        if (orders)
            return relate("detail", "Company", "COMPANY") && relate("detail", "Product", "PRODUCT");
        return relate("detail", party, "CODE");
    }
    case 4:
        return openCode("Unit") && openCode("Farmer") && openCode("Company") && openCode("Product");
    case 5:
        return true;
    case 6: {
        const std::string party = code(partyTable(m_form, m_code));
        return openCode("WHouse") && openCode("Product") && openCode(party) && detailOrdered("Wdata" + std::to_string(kind)) &&
               relate("detail", party, "COMPANY") && relate("detail", "Product", "PRODUCT") &&
               relate("detail", "WHouse", "WHOUSE");
    }
    case 7:
        return openCode("Company") && detailOrdered("Wdata" + std::to_string(kind)) &&
               relate("detail", "Company", "COMPANY");
    default:
        return false;
    }
}

bool ReportSession::setDefaults()
{
    const core::Date today = core::clock().today();
    for (const RangeDef& r : m_ranges) {
        switch (r.kind) {
        case RangeDef::Kind::Code: {
            const std::string table = storage::codeTable(r.pickTable).name;
            storage::Table* t = m_ws.find(table);
            if (!t && !openTable(m_ws, table, table))
                return false;
            t = m_ws.find(table);
            m_values.setText(r.from, edgeCode(*t, false));
            m_values.setText(r.to, edgeCode(*t, true));
            break;
        }
        case RangeDef::Kind::Number:
            m_values.setText(r.from, "000000");
            m_values.setText(r.to, "999999");
            break;
        case RangeDef::Kind::Date:
            m_values.set(r.from, core::Value::date(today));
            m_values.set(r.to, core::Value::date(today));
            break;
        }
    }
    if (m_ws.find("detail"))
        (void)m_ws.select("detail");
    return true;
}

bool ReportSession::pickRange(const RangeDef& range, const std::string& name)
{
    if (range.kind != RangeDef::Kind::Code)
        return true;
    return codes::pickCode(m_ws, range.pickTable, m_values, name, m_ws.find("detail") ? "detail" : "");
}

ReportOutcome ReportSession::REPCREA(core::PrintDestination& destination, const ReportEngine::Progress& progress)
{
    return create(&destination, nullptr, progress);
}

ReportOutcome ReportSession::REPCREA(core::PrintJob& job, const ReportEngine::Progress& progress)
{
    return create(nullptr, &job, progress);
}

bool ReportSession::datesValid(std::string* failed) const
{
    for (const RangeDef& r : m_ranges) {
        if (r.kind != RangeDef::Kind::Date)
            continue;
        const core::Date from = m_values.get(r.from).asDate(), to = m_values.get(r.to).asDate();
        if (from.isEmpty() || to.isEmpty()) {
            if (failed)
                *failed = from.isEmpty() ? r.from : r.to;
            tell(kDatesMissingUtf8, {}, kSelectionTitleUtf8);
            return false;
        }
        if (to < from) {
            if (failed)
                *failed = r.to;
            tell(kDatesReversedUtf8, {}, kSelectionTitleUtf8);
            return false;
        }
    }
    return true;
}

ReportOutcome ReportSession::create(core::PrintDestination* destination, core::PrintJob* job,
                                    const ReportEngine::Progress& progress)
{
    if (!datesValid())
        return ReportOutcome::NotRun;
    struct CloseAll {
        storage::Workspace& ws;
        Relations& relations;
        ~CloseAll()
        {
            relations.clear();
            (void)ws.closeAll();
        }
    } closeAll{m_ws, m_relations};
    m_pages = 0;
    const DefinitionSettings& s = m_definition.settings;
    MovementLock lock;
    switch (familyOf(m_code)) {
    case Family::TRK:
    case Family::MON:
    case Family::STK:
    case Family::STA:
        break;
    case Family::COD:
        (void)m_ws.close(s.CFILE);
        if (!openTable(m_ws, s.CFILE, "detail"))
            return ReportOutcome::NotRun;
        break;
    case Family::ACC:
        if (!lock.take(core::programSettings().text("CDRV2"))) {
            tell(kMovementBusyUtf8, {}, kSelectionTitleUtf8);
            return ReportOutcome::NotRun;
        }
        if (!buildMovementAnalysis(m_ws, m_values.get("CDAYBEG").asDate(), s.CINDEX, m_code, &m_relations))
            return ReportOutcome::NotRun;
        break;
    case Family::GLR:
        if (!buildBalanceSummary(m_ws, m_values.get("CDAYBEG").asDate(), m_values.get("CDAYEND").asDate(), s.CINDEX,
                                 m_code))
            return ReportOutcome::NotRun;
        break;
    case Family::Unknown:
        tell("ไม่พบเงื่อนไขรายงานที่ระบุ");
        return ReportOutcome::NotRun;
    }

    RangeCheck check(m_ws, m_form, m_code, m_values, s.CFCOND, m_code);
    ReportEngine engine(m_ws, m_definition, m_values, m_code);
    engine.setFilter([&check] { return check(); });
    if (!m_relations.empty())
        engine.setFollow([this] { m_relations.follow(); });
    if (progress)
        engine.setProgress(progress);
    // The detail ordered by the definition's key from the dates on: only the dates' records are
    // walked (the others never pass the ranges).
    const Family family = familyOf(m_code);
    const bool ownOrder = family == Family::TRK || family == Family::MON || family == Family::STK || family == Family::ACC;
    storage::Table* detail = m_ws.find("detail");
    if (ownOrder && detail && check.dateField() >= 0 &&
        keyStartsWithDate(s.CINDEX, detail->layout().fields()[std::size_t(check.dateField())].name))
        engine.limitToDates(check.dateField(), m_values.get("CDAYBEG").asDate(), m_values.get("CDAYEND").asDate());
    const ReportOutcome outcome = job ? engine.REPSTART(*job) : engine.REPSTART(*destination);
    m_pages = engine.pages();
    return outcome;
}

// ---- ReportDestination

bool ReportDestination::setUp(const std::string& title)
{
    std::optional<std::string> printer = m_printers.choose(title);
    if (!printer)
        return false;
    m_chosen = std::move(printer);
    return true;
}

std::unique_ptr<core::PrintJob> ReportDestination::open(std::string_view printerKind, bool preview,
                                                        const std::string& title)
{
    if (!m_chosen)
        return m_usual.open(printerKind, preview, title);
    return m_makeJob(*m_chosen, preview);
}

// ---- The list and REPORT

std::optional<std::string> reportName(std::string_view code)
{
    storage::Workspace ws;
    if (!openRepList(ws))
        return std::nullopt;
    storage::Table& list = *ws.find("RepList");
    const std::string key = core::xbase::padRight(core::xbase::upper(core::xbase::alltrim(code)), kCodeWidth);
    if (!list.seek(key).ok() || !list.found())
        return std::nullopt;
    return fieldText(list, "NAME");
}

ReportScreens& reportScreens()
{
    return g_screens.get();
}

ReportScreens* setReportScreens(ReportScreens* screens)
{
    return g_screens.install(screens);
}

void REPORT()
{
    storage::Workspace ws;
    ReportSession session(ws);
    // 1. The report list.
    (void)ws.closeAll();
    if (!openRepList(ws))
        return;
    std::string code, name;
    {
        ReportPicker picker(ws);
        core::TSOUND(4);
        if (!reportScreens().chooseReport(picker) || !picker.chosen())
            return;
        code = picker.code();
        name = picker.name();
    }
    (void)ws.close("RepList");
    // 2 - 5.
    if (!session.load(code, name) || !session.openForm())
        return;
    reportScreens().askRanges(session);
}

}  // namespace reports
