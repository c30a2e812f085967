#include "audit/audit_report.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/print_settings.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"

namespace audit {
namespace {

using core::tis620::T;

struct ReportColumn {
    const char* headingUtf8;
    const char* field;
    int chars;
};

constexpr ReportColumn kColumns[] = {
    {"วันที่", "DATE", 12},   {"เวลา", "TIME", 8},         {"ลำดับเข้า", "TICKET", 10},  {"พนักงาน", "STAFF", 8},
    {"รายการ", "DESCRIP", 15}, {"ข้อมูลเดิม", "OLDDATA", 15}, {"ข้อมูลใหม่", "NEWDATA", 15},
};
constexpr int kGap = 4;  // characters between two columns

// Report font n (1 rows, 2 headings, 3 title), the headings and title in bold.
core::PrintFont reportFont(int n)
{
    core::PrintFont f = core::reportFont(core::programSettings(), n);
    f.bold = n >= 2;
    return f;
}

// The distance between two lines of a font, in dots: a character height (negative) with room for
// the marks Thai writes above and below it, a cell height (positive) with a little leading; the
// default size is 12 points.
int lineHeight(const core::PrintFont& f, const core::PrintJob& job)
{
    const int units = f.height == 0 ? -30 : f.height;
    const double em = std::abs(units) * double(job.dpiY()) / core::kSizeUnitsPerInch;
    return std::max(1, int(units < 0 ? em * 1.6 : em * 1.15));
}

std::string cellText(storage::Table& log, const ReportColumn& c)
{
    core::Value v;
    if (!log.get(c.field, &v).ok())
        return {};
    const std::string text = v.isDate() ? v.asDate().dtoc() : v.isText() ? core::xbase::rtrim(v.asText()) : "";
    // A value may run into the gap up to the grid line (a whole key "TRK01-000123" fits).
    return text.substr(0, std::size_t(c.chars + kGap / 2));
}

class Report {
public:
    Report(core::PrintJob& job, core::Date from, core::Date to)
        : m_job(job), m_title(reportFont(3)), m_heading(reportFont(2)), m_rows(reportFont(1))
    {
        m_pen = core::settingsPen(core::programSettings(), 1);
        m_caption = T("รายงานบันทึกการแก้ไขข้อมูล ช่วงวันที่ ") + from.dtoc() + T(" ถึง ") + to.dtoc();
        m_printedAt = T("วันที่ ") + core::clock().today().dtoc() + " , " + core::timeOfDay();
    }

    void layout()
    {
        m_left = m_job.dpiX() / 2;
        m_top = m_job.dpiY() / 2;
        const int right = m_job.pageWidth() - m_job.dpiX() / 2;
        int chars = 0;
        for (const ReportColumn& c : kColumns)
            chars += c.chars + kGap;
        chars -= kGap;
        // One character is a digit's width of the row font; a report wider than the page is
        // narrowed to fit it.
        m_char = std::max(1, m_job.textWidth("0", m_rows));
        if (m_char * chars > right - m_left)
            m_char = std::max(1, (right - m_left) / chars);
        int x = m_left;
        for (const ReportColumn& c : kColumns) {
            m_x.push_back(x);
            x += (c.chars + kGap) * m_char;
        }
        m_right = x - kGap * m_char;
        m_rowHeight = lineHeight(m_rows, m_job);
        m_bottom = m_job.pageHeight() - m_job.dpiY() / 2 - 2 * m_rowHeight;
    }

    void beginPage()
    {
        m_job.beginPage();
        ++m_page;
        int y = m_top;
        m_job.text((m_left + m_right) / 2, y, m_caption, m_title, core::PrintAlign::Centre);
        y += lineHeight(m_title, m_job);
        m_job.text(m_left, y, m_printedAt, m_heading, core::PrintAlign::Left);
        y += lineHeight(m_heading, m_job) * 3 / 2;
        std::vector<std::string> headings;
        for (const ReportColumn& c : kColumns)
            headings.push_back(T(c.headingUtf8));
        m_y = y;
        gridRow(headings, m_heading);
    }

    void endPage()
    {
        m_job.text(m_left, m_bottom + m_rowHeight, T("หน้า ") + std::to_string(m_page), m_rows, core::PrintAlign::Left);
        m_job.endPage();
    }

    void row(const std::vector<std::string>& cells)
    {
        if (m_page == 0 || m_y + m_rowHeight > m_bottom) {
            if (m_page > 0)
                endPage();
            beginPage();
        }
        gridRow(cells, m_rows);
    }

    void finish()
    {
        if (m_page == 0)
            beginPage();
        endPage();
    }

private:
    // One row of cells with its grid: a line above and below, and one at each column's edges (in
    // the middle of the gap between two columns).
    void gridRow(const std::vector<std::string>& cells, const core::PrintFont& font)
    {
        const int height = std::max(m_rowHeight, lineHeight(font, m_job));
        const int half = kGap * m_char / 2;
        m_job.line(m_left - half, m_y, m_right + half, m_y, m_pen);
        m_job.line(m_left - half, m_y + height, m_right + half, m_y + height, m_pen);
        for (std::size_t i = 0; i < m_x.size(); ++i)
            m_job.line(m_x[i] - half, m_y, m_x[i] - half, m_y + height, m_pen);
        m_job.line(m_right + half, m_y, m_right + half, m_y + height, m_pen);
        for (std::size_t i = 0; i < cells.size() && i < m_x.size(); ++i)
            m_job.text(m_x[i], m_y + height / 8, cells[i], font, core::PrintAlign::Left);
        m_y += height;
    }

    core::PrintJob& m_job;
    core::PrintFont m_title, m_heading, m_rows;
    int m_pen = 1;
    std::string m_caption, m_printedAt;
    int m_left = 0, m_right = 0, m_top = 0, m_bottom = 0, m_char = 1, m_rowHeight = 1;
    std::vector<int> m_x;
    int m_y = 0;
    int m_page = 0;
};

}  // namespace

void printAuditReport(storage::Table& log, core::Date from, core::Date to, core::PrintJob& job)
{
    if (!job.begin(kAuditReportCaption))
        return;
    Report report(job, from, to);
    report.layout();
    for (bool more = log.seek(from.dtos(), true).ok() && !log.eof(); more; more = log.skip().ok() && !log.eof()) {
        core::Value date;
        if (!log.get("DATE", &date).ok() || (date.isDate() && date.asDate() > to))
            break;
        std::vector<std::string> cells;
        for (const ReportColumn& c : kColumns)
            cells.push_back(cellText(log, c));
        report.row(cells);
    }
    report.finish();
    job.end();
}

}  // namespace audit
