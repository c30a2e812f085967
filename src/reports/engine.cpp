#include "reports/engine.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/fault.h"
#include "core/print_destination.h"
#include "core/print_settings.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "expr/functions.h"
#include "storage/workspace_context.h"

namespace reports {

using core::tis620::T;

std::string thaiNines(int count)
{
    // U+0E59 THAI DIGIT NINE
    return std::string(std::size_t(std::max(0, count)), '\xF9');
}

namespace {

constexpr const char kSections[] = "HGBDESTF";
constexpr int kFrameTopReset = 99999;

int sectionIndex(char section)
{
    const char* at = std::char_traits<char>::find(kSections, 8, section);
    return at ? int(at - kSections) : -1;
}

// The report values that change with every record and line, read straight from the engine's
// counters (no look-up by name at each evaluation).
class CountersContext final : public expr::Context {
public:
    enum Slot { NLINE, NPAGE, NPGNO, NITEM, NSUM, NSUB, CSUB, CSUM, CTOT, CDNAME, CGROUP, CBLOCK, Count_ };

    struct State {
        double line = 0;
        int page = 0;
        int pageInGroup = 0;
        long item = 0;  // records of the report
        long sum = 0;   // of the group
        long sub = 0;   // of the block
        core::Value arrays[4];  // CSUB CSUM CTOT CDNAME
        std::string group;
        std::string block;
    };

    explicit CountersContext(State& state) : m_state(state) {}

    expr::Binding bind(const expr::NameRef& name) override
    {
        static constexpr const char* kNames[] = {"NLINE", "NPAGE", "NPGNO", "NITEM", "NSUM", "NSUB",
                                                 "CSUB",  "CSUM",  "CTOT",  "CDNAME", "CGROUP", "CBLOCK"};
        if (name.scope != expr::Scope::Any && name.scope != expr::Scope::Memvar)
            return {};
        for (int i = 0; i < Count_; ++i)
            if (core::xbase::equalsNoCase(name.name, kNames[i]))
                return {this, i, expr::Kind::Any};
        return {};
    }

    void read(std::int32_t slot, core::Value& out) override
    {
        switch (slot) {
        case NLINE: {
            const double l = m_state.line;
            out = core::Value::number(l, l == std::floor(l) ? 0 : 2);
            break;
        }
        case NPAGE: out = core::Value::number(m_state.page); break;
        case NPGNO: out = core::Value::number(m_state.pageInGroup); break;
        case NITEM: out = core::Value::number(double(m_state.item)); break;
        case NSUM: out = core::Value::number(double(m_state.sum)); break;
        case NSUB: out = core::Value::number(double(m_state.sub)); break;
        case CSUB: case CSUM: case CTOT: case CDNAME: out = m_state.arrays[slot - CSUB]; break;
        case CGROUP: out = core::Value::text(m_state.group); break;
        case CBLOCK: out = core::Value::text(m_state.block); break;
        default: out = core::Value();
        }
    }

private:
    State& m_state;
};

}  // namespace

class ReportEngine::Impl final : public expr::ReportLineHook {
public:
    Impl(storage::Workspace& ws, const Definition& definition, const core::ValueMap& values, std::string name)
        : m_ws(ws), m_definition(definition), m_values(values), m_name(std::move(name)), m_tables(ws),
          m_counters(m_state), m_valueLayer(values), m_settingLayer(core::programSettings()),
          m_context({&m_tables, &m_counters, &m_valueLayer, &m_settingLayer})
    {
        for (const PrintLine& p : definition.lines)
            if (const int s = sectionIndex(p.section); s >= 0)
                m_sections[s].push_back({p, {}, false, false});
        for (core::Value& a : m_state.arrays)
            a = core::Value::array(std::make_shared<core::ValueArray>(kAccumulators));
        m_state.arrays[3] = core::Value::array(std::make_shared<core::ValueArray>(kNameSlots));
    }

    void advanceLines(double n) override { m_state.line += n; }

    ReportOutcome run(core::PrintDestination* destination, core::PrintJob* given);

    ReportEngine::Filter filter;
    ReportEngine::Progress progress;
    std::function<void()> follow;
    int dateField = -1;
    std::string fromKey, toKey;
    core::Date fromDate;
    std::int64_t rangeDays = 1;
    int pagesPrinted = 0;

private:
    struct Line {
        PrintLine p;
        expr::Expression expression;
        bool compiled = false;
        bool broken = false;  // does not compile: left out after the first fault
        core::Value value{};  // the last value: its text's storage is used again
    };

    // The group and block expressions and their values for the record being printed.
    struct Breaks {
        expr::Expression group;
        expr::Expression block;
        std::string groupValue;
        std::string blockValue;
    };

    // ---- run's steps: the first record the filter takes; the job opened (an outcome when the
    // report ends there); its fonts, pens and line height; the counters; one page of records.
    FilterAnswer firstAccepted();
    std::optional<ReportOutcome> openJob(core::PrintDestination* destination, core::PrintJob* given,
                                         std::unique_ptr<core::PrintJob>* owned);
    void setUpFontsAndPens();
    Breaks compileBreaks();
    void resetCounters();
    void fillPage(FilterAnswer& answer, Breaks& breaks);
    bool printRecord(Breaks& breaks);
    void beginGroup(const std::string& value);

    // ---- the walk over "detail"
    void start();
    void next();
    FilterAnswer accept();
    void visited();

    // ---- printing
    void REPMAKE(char section);
    void perform(Line& line);
    bool evaluate(Line& line, core::Value& out);
    bool evaluateText(expr::Expression& e, std::string& out);
    void typeFault(const std::string& operation, const core::Value& value);
    void compileFault(const std::string& operation, const expr::CompileError& error);
    void say(const PrintLine& p, const core::Value& value, int y);
    void newPage();
    void clear(int array);
    int x(double inches) const { return int((inches + m_definition.settings.COFFSET) * m_job->dpiX()); }
    int lineBottom(double line) const { return int((line + 1) * m_lineHeight); }
    std::string operation(const PrintLine& p) const { return m_name + " line " + std::to_string(p.number); }

    storage::Workspace& m_ws;
    const Definition& m_definition;
    const core::ValueMap& m_values;
    std::string m_name;
    std::vector<Line> m_sections[8];
    CountersContext::State m_state;
    storage::WorkspaceContext m_tables;
    CountersContext m_counters;
    expr::ValueMapContext m_valueLayer;
    expr::ValueMapContext m_settingLayer;
    expr::ChainContext m_context;

    storage::Table* m_detail = nullptr;
    std::uint32_t m_records = 0;
    std::uint64_t m_visited = 0;
    int m_percent = -1;
    bool m_end = false;     // no record left to visit
    bool m_beyond = false;  // the walk passed the last date: every record left is rejected
    bool m_stopped = false;

    core::PrintJob* m_job = nullptr;
    core::PrintFont m_fonts[3];
    int m_pens[3] = {1, 3, 6};
    double m_pageLines = 60;
    double m_lineHeight = 1;
    int m_frameTop = kFrameTopReset;
    int m_frameBottom = 0;
    core::Value m_scratch;
    std::string m_text;  // the text being printed
};

void ReportEngine::Impl::start()
{
    m_end = m_beyond = false;
    storage::Status s;
    if (dateField >= 0)
        s = m_detail->seek(fromKey, true);
    else
        s = m_detail->goTop();
    if (!s.ok() || m_detail->eof())
        m_end = true;
    if (!s.ok())
        m_stopped = true;
    if (follow)
        follow();
}

void ReportEngine::Impl::next()
{
    if (!m_detail->skip().ok()) {
        m_stopped = m_end = true;
        return;
    }
    if (follow)
        follow();
    if (m_detail->eof()) {
        m_end = true;
        return;
    }
    if (dateField >= 0) {
        std::string_view date;
        if (m_detail->raw(dateField, &date).ok() && date > std::string_view(toKey))
            m_beyond = true;
    }
}

FilterAnswer ReportEngine::Impl::accept()
{
    if (m_beyond)
        return FilterAnswer::Reject;
    if (!filter)
        return m_detail->deleted() ? FilterAnswer::Reject : FilterAnswer::Accept;
    return filter();
}

// The percentage: of the table's records visited for a whole walk; for a walk limited to a range of
// dates (which never sees most of the table) how far into the range the date of the record is.
void ReportEngine::Impl::visited()
{
    ++m_visited;
    if (!progress)
        return;
    int percent = 0;
    if (dateField >= 0) {
        std::string_view date;
        if (m_detail->eof() || !m_detail->raw(dateField, &date).ok())
            return;
        const std::int64_t days = core::Date::fromDtos(date) - fromDate;
        percent = int(std::clamp<std::int64_t>(days * 100 / rangeDays, 0, 100));
    } else {
        if (m_records == 0)
            return;
        percent = int(std::min<std::uint64_t>(100, m_visited * 100 / m_records));
    }
    if (percent != m_percent) {
        m_percent = percent;
        progress(percent);
    }
}

void ReportEngine::Impl::compileFault(const std::string& op, const expr::CompileError& error)
{
    core::Fault f;
    f.genCode = core::EG_SYNTAX;
    f.subsystem = "MERVO";
    f.subCode = 1;
    f.description = "Syntax error: " + error.message;
    f.operation = op;
    f.canDefault = true;
    if (core::raise(f) != core::FaultAnswer::Default)
        m_stopped = true;
}

void ReportEngine::Impl::typeFault(const std::string& op, const core::Value& value)
{
    core::Fault f;
    f.genCode = core::EG_DATATYPE;
    f.subsystem = "MERVO";
    f.subCode = 2;
    f.description = "Data type error";
    f.operation = op;
    f.args = {value};
    f.canDefault = true;
    if (core::raise(f) != core::FaultAnswer::Default)
        m_stopped = true;
}

bool ReportEngine::Impl::evaluate(Line& line, core::Value& out)
{
    if (line.broken)
        return false;
    if (!line.compiled) {
        line.compiled = true;
        expr::CompileError error;
        line.expression = expr::Expression::compile(line.p.expression, &error);
        if (!line.expression.valid()) {
            line.broken = true;
            compileFault(operation(line.p), error);
            return false;
        }
    }
    if (!line.expression.evaluate(m_context, out)) {
        m_stopped = true;
        return false;
    }
    return true;
}

bool ReportEngine::Impl::evaluateText(expr::Expression& e, std::string& out)
{
    if (!e.valid())
        return true;  // left out after its compile fault: a constant ""
    if (!e.evaluate(m_context, m_scratch)) {
        m_stopped = true;
        return false;
    }
    if (m_scratch.isText())
        out.assign(m_scratch.asText());
    else
        out = m_scratch.toDisplayText();
    return true;
}

void ReportEngine::Impl::say(const PrintLine& p, const core::Value& value, int y)
{
    if (!value.isText()) {
        typeFault(operation(p), value);
        return;
    }
    if (p.option != Option::Text)
        return;
    const std::string_view trimmed = core::xbase::ltrimView(core::xbase::rtrimView(value.asText()));
    if (trimmed.empty())
        return;
    m_text.assign(trimmed);
    const std::string& text = m_text;
    const core::PrintFont& font = m_fonts[p.font - 1];
    int at = x(p.command == Command::LO ? p.b : p.a);
    if (p.align != core::PrintAlign::Left) {
        const int width = m_job->textWidth(text, font);
        at = std::max(0, at - (p.align == core::PrintAlign::Right ? width : width / 2));
    }
    m_job->text(at, y, text, font, core::PrintAlign::Left);
}

void ReportEngine::Impl::perform(Line& line)
{
    const PrintLine& p = line.p;
    core::Value& value = line.value;
    switch (p.command) {
    case Command::LF:
        m_state.line += 1;
        [[fallthrough]];
    case Command::NF:
        if (evaluate(line, value))
            say(p, value, int(m_state.line * m_lineHeight));
        break;
    case Command::LO:
        if (evaluate(line, value))
            say(p, value, int(p.a * m_job->dpiY()));
        break;
    case Command::NH:
        m_frameTop = lineBottom(m_state.line);
        break;
    case Command::LH:
        m_state.line += 1;
        if (p.option == Option::Rule) {
            const int y = lineBottom(m_state.line);
            m_job->line(x(p.a), y, x(p.b), y, m_pens[p.pen - 1]);
            m_frameTop = std::min(m_frameTop, y);
            m_frameBottom = std::max(m_frameBottom, y);
        }
        break;
    case Command::LV:
        if (p.option == Option::Rule && m_frameTop <= m_frameBottom)
            m_job->line(x(p.a), m_frameTop, x(p.a), m_frameBottom, m_pens[p.pen - 1]);
        break;
    case Command::LX:
        if (p.option == Option::Rule)
            m_job->line(x(p.a), lineBottom(p.b), x(p.a), lineBottom(p.c), m_pens[p.pen - 1]);
        break;
    case Command::SM: {
        if (!evaluate(line, value))
            break;
        if (!value.isNumber()) {
            typeFault(operation(p), value);
            break;
        }
        const int slot = int(p.a);
        if (slot != p.a || slot < 1 || slot > kAccumulators)
            break;
        for (int a = 0; a < 3; ++a) {
            core::Value& acc = (*m_state.arrays[a].asArray())[std::size_t(slot - 1)];
            acc = core::Value::number(acc.asNumber() + value.asNumber(), std::max(acc.decimals(), value.decimals()));
        }
        break;
    }
    case Command::NA: {
        if (!evaluate(line, value))
            break;
        const int slot = int(p.a);
        if (slot == p.a && slot >= 1 && slot <= kNameSlots)
            (*m_state.arrays[3].asArray())[std::size_t(slot - 1)] = value;
        break;
    }
    case Command::None:
        break;
    }
}

void ReportEngine::Impl::REPMAKE(char section)
{
    for (Line& line : m_sections[sectionIndex(section)]) {
        if (m_stopped)
            return;
        perform(line);
    }
}

void ReportEngine::Impl::newPage()
{
    m_job->beginPage();
    ++pagesPrinted;
    ++m_state.page;
    m_state.line = 0;
    m_frameTop = kFrameTopReset;
    m_frameBottom = 0;
}

void ReportEngine::Impl::clear(int array)
{
    for (core::Value& v : *m_state.arrays[array].asArray())
        v = core::Value::number(0);
}

ReportOutcome ReportEngine::Impl::run(core::PrintDestination* destination, core::PrintJob* given)
{
    pagesPrinted = 0;
    m_stopped = false;
    m_detail = m_ws.find("detail");
    if (!m_detail || !m_ws.select("detail").ok())
        return ReportOutcome::Stopped;
    m_records = m_detail->recCount();

    FilterAnswer answer = firstAccepted();
    if (m_stopped || answer == FilterAnswer::Stop)
        return ReportOutcome::Stopped;
    std::unique_ptr<core::PrintJob> owned;
    if (const std::optional<ReportOutcome> refused = openJob(destination, given, &owned))
        return *refused;
    setUpFontsAndPens();
    Breaks breaks = compileBreaks();
    resetCounters();

    while (!m_end && !m_stopped) {
        if (m_state.item > 0) {
            REPMAKE('F');
            m_job->endPage();
        }
        newPage();
        ++m_state.pageInGroup;
        REPMAKE('H');
        fillPage(answer, breaks);
    }
    if (m_stopped)
        return ReportOutcome::Stopped;

    // Footers of the last block and group, the report's total; the last page has no "F".
    if (m_state.sub > 0)
        REPMAKE('E');
    if (m_state.sum > 0)
        REPMAKE('S');
    if (m_state.item > 0)
        REPMAKE('T');
    if (m_stopped)
        return ReportOutcome::Stopped;
    if (progress)
        progress(100);
    m_job->endPage();
    return m_job->end() ? ReportOutcome::Printed : ReportOutcome::NoPrinter;
}

FilterAnswer ReportEngine::Impl::firstAccepted()
{
    start();
    FilterAnswer answer = FilterAnswer::Reject;
    while (!m_end && !m_stopped) {
        visited();
        answer = accept();
        if (answer != FilterAnswer::Reject || m_beyond)
            break;
        next();
    }
    if (m_beyond)
        m_end = true;
    return answer;
}

std::optional<ReportOutcome> ReportEngine::Impl::openJob(core::PrintDestination* destination,
                                                          core::PrintJob* given,
                                                          std::unique_ptr<core::PrintJob>* owned)
{
    if (!given) {
        const bool preview =
            !core::xbase::equalsNoCase(core::xbase::alltrim(core::programSettings().text("CPRINTER")), "N");
        *owned = destination->open("Report", preview, kReportJobTitle);
        if (!*owned || !(*owned)->begin(kReportJobTitle))
            return ReportOutcome::NoPrinter;
        m_job = owned->get();
    } else {
        m_job = given;
    }
    if (m_end) {
        core::prompts().message(core::MessageKind::Info, T("ไม่มีข้อมูลตามเงื่อนไขที่ระบุ"), T(kReportTitleUtf8));
        m_job->end();
        return ReportOutcome::NoData;
    }
    return std::nullopt;
}

void ReportEngine::Impl::setUpFontsAndPens()
{
    const core::Settings& settings = core::programSettings();
    for (int i = 0; i < 3; ++i) {
        m_fonts[i] = core::reportFont(settings, i + 1);
        m_pens[i] = core::settingsPen(settings, i + 1);
    }
    m_pageLines = core::xbase::val(settings.text("CPAGEL")).value;
    const double lines = m_pageLines + core::xbase::val(settings.text("CPLENGHT")).value;
    m_lineHeight = std::floor(m_job->pageHeight() / std::max(1.0, lines));
}

ReportEngine::Impl::Breaks ReportEngine::Impl::compileBreaks()
{
    Breaks b;
    expr::CompileError error;
    b.group = expr::Expression::compile(m_definition.settings.CFGROUP, &error);
    if (!b.group.valid())
        compileFault(m_name + " I,GROUP", error);
    b.block = expr::Expression::compile(m_definition.settings.CFBLOCK, &error);
    if (!b.block.valid())
        compileFault(m_name + " I,BLOCK", error);
    return b;
}

// Counters and accumulators cleared; group and block values no data equals.
void ReportEngine::Impl::resetCounters()
{
    m_state.page = m_state.pageInGroup = 0;
    m_state.item = m_state.sum = m_state.sub = 0;
    for (int a = 0; a < 3; ++a)
        clear(a);
    for (core::Value& v : *m_state.arrays[3].asArray())
        v = core::Value();
    m_state.group = m_state.block = thaiNines(20);
}

// A page takes at least one record, so a header as long as the page cannot make pages without end.
// `answer` is the filter's answer for the current record when it was asked before (the first
// record, or one a failed evaluation left unprinted).
void ReportEngine::Impl::fillPage(FilterAnswer& answer, Breaks& breaks)
{
    bool printedHere = false;
    while ((m_state.line < m_pageLines || !printedHere) && !m_end && !m_stopped) {
        if (m_beyond) {
            m_end = true;
            return;
        }
        if (answer != FilterAnswer::Accept) {
            visited();
            answer = accept();
        }
        if (answer == FilterAnswer::Stop) {
            m_stopped = true;
            return;
        }
        if (answer == FilterAnswer::Accept) {
            if (!printRecord(breaks))
                return;
            printedHere = true;
        }
        answer = FilterAnswer::Reject;
        next();
    }
}

// One accepted record: a new block value ends the block ("E") - and a new group value the group
// ("S", a new page after it when CEJECT is "Y"; then "G") - and begins the next ("B"); then the
// record's lines ("D"). False when the block or group value could not be had.
bool ReportEngine::Impl::printRecord(Breaks& breaks)
{
    if (!evaluateText(breaks.block, breaks.blockValue))
        return false;
    if (breaks.blockValue != m_state.block) {
        if (m_state.sub > 0)
            REPMAKE('E');
        if (!evaluateText(breaks.group, breaks.groupValue))
            return false;
        if (breaks.groupValue != m_state.group)
            beginGroup(breaks.groupValue);
        m_state.block = breaks.blockValue;
        m_state.sub = 0;
        clear(0);
        REPMAKE('B');
    }
    ++m_state.sub;
    ++m_state.sum;
    ++m_state.item;
    REPMAKE('D');
    return true;
}

void ReportEngine::Impl::beginGroup(const std::string& value)
{
    m_state.pageInGroup = 1;
    if (m_state.sum > 0) {
        REPMAKE('S');
        if (core::xbase::alltrim(m_values.text("CEJECT")) == "Y") {
            m_job->endPage();
            newPage();
            m_state.pageInGroup = 1;
            REPMAKE('H');
        }
    }
    m_state.group = value;
    m_state.sum = 0;
    clear(1);
    REPMAKE('G');
}

ReportEngine::ReportEngine(storage::Workspace& ws, const Definition& definition, const core::ValueMap& values,
                           std::string reportName)
    : m(std::make_unique<Impl>(ws, definition, values, std::move(reportName)))
{
}

ReportEngine::~ReportEngine() = default;

void ReportEngine::setFilter(Filter filter)
{
    m->filter = std::move(filter);
}

void ReportEngine::setProgress(Progress progress)
{
    m->progress = std::move(progress);
}

void ReportEngine::setFollow(std::function<void()> follow)
{
    m->follow = std::move(follow);
}

void ReportEngine::limitToDates(int dateField, core::Date from, core::Date to)
{
    m->dateField = dateField;
    m->fromKey = from.dtos();
    m->toKey = to.dtos();
    m->fromDate = from;
    m->rangeDays = std::max<std::int64_t>(1, to - from + 1);
}

int ReportEngine::pages() const
{
    return m->pagesPrinted;
}

namespace {

// The engine is REPLINE's hook while it runs.
struct HookScope {
    explicit HookScope(expr::ReportLineHook* hook) : previous(expr::setReportLineHook(hook)) {}
    ~HookScope() { expr::setReportLineHook(previous); }
    expr::ReportLineHook* previous;
};

}  // namespace

ReportOutcome ReportEngine::REPSTART(core::PrintDestination& destination)
{
    HookScope hook(m.get());
    return m->run(&destination, nullptr);
}

ReportOutcome ReportEngine::REPSTART(core::PrintJob& job)
{
    HookScope hook(m.get());
    return m->run(nullptr, &job);
}

}  // namespace reports
