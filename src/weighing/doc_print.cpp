#include "weighing/doc_print.h"

#include <fstream>

#include "audit/audit.h"
#include "core/fault.h"
#include "core/paths.h"
#include "core/print_destination.h"
#include "core/print_settings.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/sound.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "storage/catalogue.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"
#include "storage/os.h"
#include "storage/workspace_context.h"
#include "weighing/print_template.h"

namespace weighing {
namespace {

using core::tis620::T;

constexpr const char* kTitleUtf8 = "  ส่วนการพิมพ์เอกสาร";
constexpr const char* kWorkAlias = "DocPrn";
constexpr int kAccumulators = 40;
constexpr int kMaxPrintCount = 99;
constexpr std::size_t kMaxRawBytes = 4 << 20;

void tell(const std::string& text)
{
    core::prompts().message(core::MessageKind::Info, text, T(kTitleUtf8));
}

bool readFile(const std::string& path, std::size_t limit, std::string* out, bool* tooLarge)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out->clear();
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        out->append(buffer, std::size_t(in.gcount()));
        if (out->size() > limit) {
            *tooLarge = true;
            return false;
        }
    }
    return true;
}

// A file a template names: as written (relative to the site folder the program runs in), else in
// the code-table folder CDRV1 (where the "library" pictures are).
std::string templateFile(std::string_view name)
{
    const std::string given = core::paths::resolve(core::paths::native(name));
    if (core::paths::exists(given))
        return given;
    return core::paths::join(core::programSettings().text("CDRV1"), name);
}

// One print of one document: the state PROPRN and PRINTXT share.
class DocumentPrint {
public:
    DocumentPrint(storage::Workspace& ws, const core::ValueMap& screenValues, std::string_view form)
        : m_ws(ws), m_form(form), m_tables(ws), m_variableLayer(m_variables), m_screenLayer(screenValues),
          m_settingLayer(core::programSettings()),
          m_context({&m_tables, &m_variableLayer, &m_screenLayer, &m_settingLayer})
    {
        m_sums = std::make_shared<core::ValueArray>(kAccumulators, core::Value::number(0));
        setNumber("nPage", 0);
        setNumber("nI", 0);
        setNumber("cLineNo", 0);
        m_variables.set("pSum", core::Value::array(m_sums));
    }

    bool loadWorkTable(const std::vector<std::string>& lines);
    void closeWorkTable() { (void)m_ws.close(kWorkAlias); }
    bool print(core::PrintJob& job, bool withDetails);
    // The RAWIM bytes, in template order, to the printer of the finished document.
    void sendRaw();

private:
    struct Line {
        TemplateLine t;
        expr::Expression expression;
        bool compiled = false;
        bool broken = false;  // its expression does not compile: skipped after the first fault
    };

    struct Raw {
        TemplateLine line;
        std::string bytes;
    };

    void setNumber(const char* name, double v) { m_variables.set(name, core::Value::number(v)); }
    int rows(double hundredths) const { return int(hundredths * m_job->dpiY() / 100); }
    int cols(double hundredths) const { return int(hundredths * m_job->dpiX() / 100); }
    // A template position: counted from the top-left corner of the printable area.
    int atRow(double hundredths) const { return m_job->printableTop() + rows(hundredths); }
    int atCol(double hundredths) const { return m_job->printableLeft() + cols(hundredths); }
    bool PRINTXT(char section);
    bool perform(Line& line, char section);
    bool evaluate(Line& line, core::Value& out);
    void applyPaperSize(const TemplateLine& t);
    bool firstLine();
    bool nextLine();
    void notDrawn(const TemplateLine& t, const std::string& why);

    storage::Workspace& m_ws;
    std::string m_form;
    std::vector<Line> m_lines;
    core::ValueMap m_variables;
    std::shared_ptr<core::ValueArray> m_sums;
    storage::WorkspaceContext m_tables;
    expr::ValueMapContext m_variableLayer;
    expr::ValueMapContext m_screenLayer;
    expr::ValueMapContext m_settingLayer;
    expr::ChainContext m_context;
    core::PrintJob* m_job = nullptr;
    core::PrintFont m_fonts[3];
    int m_pens[3] = {1, 3, 6};
    int m_linesPerPage = 8;
    int m_lineDistance = 0;  // dots
    int m_linePos = 0;
    int m_detailCount = 0;
    bool m_stopped = false;
    std::vector<Raw> m_raw;
    // The document's lines: the "detail" table and the link key they carry.
    storage::Table* m_detail = nullptr;
    std::string m_indent;
};

bool DocumentPrint::loadWorkTable(const std::vector<std::string>& lines)
{
    const std::string user = core::xbase::alltrim(core::programSettings().text("CUSER"));
    const std::string name = std::string(storage::workTablePrefix(storage::WorkTable::PrintTemplate)) + user;
    const std::string dbf = core::paths::join(core::programSettings().text("CDRV4"), name + ".DBF");
    const std::string file = dbf.substr(0, dbf.size() - 4);
    // Made anew for each print; the create waits while the same user prints on another workstation.
    const auto fields = storage::fieldSpecs(storage::workTableFields(storage::WorkTable::PrintTemplate));
    const storage::Status made = storage::retryWhileLocked(
        [&] { return storage::Table::create(dbf, fields, true); }, int(storage::kOpenWait * 1000));
    if (!made.ok() || !storage::NET_USE(m_ws, file, true, storage::kOpenWait, kWorkAlias)) {
        tell(T("  แฟ้มการพิมพ์ไม่พร้อม"));
        return false;
    }
    storage::Table& t = *m_ws.find(kWorkAlias);
    for (const std::string& line : lines) {
        if (!t.append().ok() || !t.putText(0, line).ok()) {
            closeWorkTable();
            tell(T("  แฟ้มการพิมพ์ไม่พร้อม"));
            return false;
        }
    }
    (void)t.commit();
    // The lines print as the work table holds them.
    int number = 0;
    for (storage::Status s = t.goTop(); s.ok() && !t.eof(); s = t.skip()) {
        std::string_view raw;
        if (!t.raw(0, &raw).ok())
            break;
        m_lines.push_back({parseTemplateLine(core::xbase::rtrimView(raw), ++number), {}, false, false});
    }
    (void)t.goTop();
    return true;
}

bool DocumentPrint::evaluate(Line& line, core::Value& out)
{
    if (line.broken)
        return false;
    if (!line.compiled) {
        expr::CompileError error;
        line.expression = expr::Expression::compile(line.t.text, &error);
        line.compiled = true;
        if (!line.expression.valid()) {
            line.broken = true;
            core::Fault f;
            f.genCode = core::EG_SYNTAX;
            f.subsystem = "MERVO";
            f.subCode = 1;
            f.description = "Syntax error: " + error.message;
            f.operation = m_form + " line " + std::to_string(line.t.number);
            f.canDefault = true;
            if (core::raise(f) != core::FaultAnswer::Default)
                m_stopped = true;
            return false;
        }
    }
    if (!line.expression.evaluate(m_context, out)) {
        m_stopped = true;
        return false;
    }
    return true;
}

void DocumentPrint::notDrawn(const TemplateLine& t, const std::string& why)
{
    tell(why + T(" (ฟอร์ม ") + m_form + T(" บรรทัดที่ ") + std::to_string(t.number) + ")");
}

void DocumentPrint::applyPaperSize(const TemplateLine& t)
{
    // Hundredths of an inch, as every position of a template, in the tenths of a millimetre the
    // print job takes.
    m_job->setPaperSize(int(t.n1 * 254 / 100), int(t.n2 * 254 / 100));
}

bool DocumentPrint::perform(Line& line, char section)
{
    const TemplateLine& t = line.t;
    int row = atRow(t.n1);
    int row2 = atRow(t.n3);
    const int col = atCol(t.n2);
    if (section == 'D') {
        const int shift = (m_linePos - 1) * m_lineDistance;
        row += shift;
        row2 += shift;
    }
    core::Value value;
    if (t.command == TemplateCommand::Text || t.command == TemplateCommand::Sum) {
        if (!evaluate(line, value))
            return !m_stopped;
        const bool wanted = t.command == TemplateCommand::Text ? value.isText() : value.isNumber();
        if (!wanted) {
            core::Fault f;
            f.genCode = core::EG_DATATYPE;
            f.subsystem = "MERVO";
            f.subCode = 2;
            f.description = "Data type error";
            f.operation = m_form + " line " + std::to_string(t.number);
            f.args = {value};
            f.canDefault = true;
            if (core::raise(f) != core::FaultAnswer::Default)
                m_stopped = true;
            return !m_stopped;
        }
    }
    if (section == 'I' && t.command == TemplateCommand::Text) {
        if (core::xbase::rtrimView(value.asText()).empty())
            return true;
        ++m_linePos;
        setNumber("cLineNo", m_linePos);
        row += (m_linePos - 1) * m_lineDistance;
    }
    switch (t.command) {
    case TemplateCommand::Text: {
        std::string text = value.asText();
        if (t.align == core::PrintAlign::Left)
            text = core::xbase::rtrim(text);
        m_job->text(col, row, text, m_fonts[t.font - 4], t.align);
        break;
    }
    case TemplateCommand::Sum: {
        core::Value& acc = (*m_sums)[std::size_t(t.sum - 1)];
        acc = core::Value::number(acc.asNumber() + value.asNumber(), std::max(acc.decimals(), value.decimals()));
        break;
    }
    case TemplateCommand::Line:
        m_job->line(col, row, atCol(t.n4), row2, m_pens[t.pen - 1]);
        break;
    case TemplateCommand::Image:
        if (!m_job->picture(col, row, cols(t.n4), rows(t.n3), templateFile(t.text)))
            notDrawn(t, T("ไม่สามารถพิมพ์ภาพ ") + t.text);
        break;
    case TemplateCommand::Metafile:
        // The form over the whole sheet, under the data of its page.
        if (!m_job->formPicture(templateFile(t.text)))
            notDrawn(t, T("ไม่สามารถพิมพ์ภาพ ") + t.text);
        break;
    case TemplateCommand::Raw: {
        // Kept until the document has printed: a print that stops sends none of it.
        Raw raw{t, {}};
        bool tooLarge = false;
        if (!readFile(templateFile(t.text), kMaxRawBytes, &raw.bytes, &tooLarge))
            notDrawn(t, T("ไม่พบแฟ้ม ") + t.text);
        else
            m_raw.push_back(std::move(raw));
        break;
    }
    case TemplateCommand::PaperSize:
        applyPaperSize(t);
        break;
    case TemplateCommand::DetailMax:
        // Fewer than one line per page would never print a line and never end.
        if (section == 'H' && t.n1 >= 1) {
            m_linesPerPage = int(t.n1);
            m_lineDistance = cols(t.n2);
        }
        break;
    case TemplateCommand::None:
        break;
    }
    return true;
}

bool DocumentPrint::PRINTXT(char section)
{
    storage::Table* work = m_ws.find(kWorkAlias);
    for (Line& line : m_lines) {
        if (line.t.section != section)
            continue;
        // The work table stands on the line being interpreted, as a template may read it.
        if (work)
            (void)work->goTo(std::uint32_t(line.t.number));
        if (!perform(line, section))
            return false;
    }
    return true;
}

// The document's first line that is not marked deleted; false when it has none.
bool DocumentPrint::firstLine()
{
    if (!m_detail || !m_detail->seek(m_indent).ok() || !m_detail->found())
        return false;
    if (!m_detail->deleted())
        return true;
    return nextLine();
}

// The next line of the document that is not marked deleted; false at its end.
bool DocumentPrint::nextLine()
{
    const int field = m_detail->fieldIndex("INDENT");
    for (;;) {
        if (!m_detail->skip().ok() || m_detail->eof())
            return false;
        std::string_view indent;
        if (field < 0 || !m_detail->raw(field, &indent).ok() || indent != m_indent)
            return false;
        if (!m_detail->deleted())
            return true;
    }
}

bool DocumentPrint::print(core::PrintJob& job, bool withDetails)
{
    m_job = &job;
    for (int i = 0; i < 3; ++i) {
        m_fonts[i] = core::settingsFont(core::programSettings(), 4 + i);
        m_pens[i] = core::settingsPen(core::programSettings(), i + 1);
    }
    m_lineDistance = rows(20);
    if (withDetails) {
        m_detail = m_ws.find("detail");
        storage::Table* wdata = m_ws.find("wdata");
        core::Value indent;
        if (wdata && wdata->get("INDENT", &indent).ok() && indent.isText())
            m_indent = indent.asText();
    }
    (void)m_ws.select(kWorkAlias);

    // A paper size the header sets holds from the first page on.
    for (const Line& line : m_lines)
        if (line.t.section == 'H' && line.t.command == TemplateCommand::PaperSize)
            applyPaperSize(line.t);

    job.beginPage();
    setNumber("nPage", 1);
    if (!PRINTXT('H'))
        return false;
    if (withDetails) {
        bool pageOpen = true;
        bool more = firstLine();
        while (more) {
            if (!pageOpen) {
                job.beginPage();
                setNumber("nPage", m_variables.number("nPage") + 1);
                if (!PRINTXT('S'))
                    return false;
                pageOpen = true;
            }
            m_linePos = 0;
            while (m_linePos < m_linesPerPage && more) {
                ++m_linePos;
                setNumber("cLineNo", m_linePos);
                setNumber("nI", ++m_detailCount);
                if (!PRINTXT('D') || !PRINTXT('I'))
                    return false;
                more = nextLine();
            }
            if (more) {
                job.endPage();
                pageOpen = false;
            }
        }
    }
    if (!PRINTXT('F'))
        return false;
    job.endPage();
    return true;
}

void DocumentPrint::sendRaw()
{
    for (const Raw& raw : m_raw)
        if (!core::printDestination().sendRaw(raw.bytes))
            notDrawn(raw.line, T("เครื่องพิมพ์นี้รับข้อมูลโดยตรงจากแฟ้ม ") + raw.line.text + T(" ไม่ได้"));
}

// Raises the document's print counter (it stops at 99); a count above 1 is a reprint and goes to
// the audit log under the form name. A lock, write or commit that fails goes to the error trap
// (REC_LOCK reports its own); false when the count could not be stored.
bool countPrint(storage::Workspace& ws, std::string_view form)
{
    if (!ws.select("wdata").ok() || !storage::REC_LOCK(ws))
        return false;
    storage::Table& doc = *ws.current();
    core::Value count, number;
    (void)doc.get("PRINT", &count);
    (void)doc.get("TICKET", &number);
    int printed = int(count.asNumber());
    if (printed < kMaxPrintCount) {
        ++printed;
        const bool stored =
            storage::retrying([&] { return doc.put("PRINT", core::Value::number(printed)); }, "REPLACE", doc.path())
                .ok() &&
            storage::retrying([&] { return doc.commit(); }, "COMMIT", doc.path()).ok();
        if (!stored) {
            // The unlock writes what is pending: the count as it was, not one that was not stored.
            (void)doc.put("PRINT", count);
            (void)doc.unlock();
            return false;
        }
    }
    (void)doc.unlock();
    if (printed > 1)
        audit::auditReprint(ws, form, number.isText() ? number.asText() : std::string(), printed);
    return true;
}

}  // namespace

PrintResult PROPRN(storage::Workspace& ws, const core::ValueMap& screenValues, std::string_view form,
                   bool withDetails)
{
    const std::string caller = ws.currentAlias();
    struct Reselect {
        storage::Workspace& ws;
        const std::string& alias;
        ~Reselect()
        {
            if (!alias.empty())
                (void)ws.select(alias);
        }
    } reselect{ws, caller};

    storage::Table* wdata = ws.find("wdata");
    if (wdata && wdata->deleted()) {
        tell(T("  ข้อมูลถูกสั่งลบ"));
        return PrintResult::Deleted;
    }
    std::string bytes;
    bool tooLarge = false;
    const std::string path = core::paths::join(core::programSettings().text("CDRV1"), std::string(form) + ".txt");
    if (!readFile(path, kMaxTemplateBytes, &bytes, &tooLarge)) {
        tell(tooLarge ? T("ฟอร์ม ") + std::string(form) + T(" มีขนาดใหญ่เกินไป") : T("ไม่พบฟอร์ม ") + std::string(form));
        return PrintResult::NoTemplate;
    }

    DocumentPrint print(ws, screenValues, form);
    if (!print.loadWorkTable(splitTemplate(bytes)))
        return PrintResult::WorkTableBusy;
    for (const int hz : {200, 300, 400})
        core::sound().tone(hz, 60);

    const bool preview = !core::xbase::equalsNoCase(core::xbase::alltrim(core::programSettings().text("CPRINTER")), "N");
    const std::string title = T(kTitleUtf8);
    std::unique_ptr<core::PrintJob> job = core::printDestination().open("Ticket", preview, title);
    if (!job || !job->begin(title)) {
        print.closeWorkTable();
        return PrintResult::NoPrinter;
    }
    const bool done = print.print(*job, withDetails);
    print.closeWorkTable();
    if (!done)
        return PrintResult::Stopped;
    if (!job->end())
        return PrintResult::NoPrinter;
    print.sendRaw();
    return countPrint(ws, form) ? PrintResult::Printed : PrintResult::NotCounted;
}

}  // namespace weighing
