// The edit log screen's model (AUDITLIST): the log open shared in a workspace of its own, its rows
// for the browse, the buttons the user's level allows, the search (AUDITFIND), the copy to a text
// file (AUDITSAVE), the purge by date range (AUDITDEL) and the printed report (AUDITREP). GUI-free:
// the dialog (dialogs/audit_dialog.h) lays out the browse and buttons and asks the file name; what
// the person is told goes through core::prompts(). One thread; the screen is modal.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/print_job.h"
#include "core/row_source.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"

namespace audit {

// The browse's rows: the log in index order, kept valid while the log is closed and opened again
// (a purge reopens it), so the browse is built once.
class AuditRows final : public core::RowSource {
public:
    void setSource(std::unique_ptr<storage::TableRowSource> source);
    storage::TableRowSource* source() { return m_source.get(); }

    void goTop() override;
    void goBottom() override;
    long skip(long n) override;
    bool atEnd() const override;
    void cells(std::vector<std::string>& out) override;
    bool deleted() override;
    double position() override;
    bool goToPosition(double f) override;
    std::uint64_t generation() const override;
    void reportFailures() override;

private:
    std::unique_ptr<storage::TableRowSource> m_source;
    std::uint64_t m_swaps = 0;
};

class AuditList {
public:
    enum class Button { Top, Bottom, Print, Copy, Purge, Exit, Search, Count_ };

    struct Column {
        const char* headingUtf8;
        const char* expression;  // over the log's fields
        int width;               // pixels
    };
    static const std::vector<Column>& columns();

    // The rights level of the user at the log's position (16).
    explicit AuditList(int level);
    ~AuditList();

    // Opens the log shared from CDRV2 (OPEN's message when it cannot be) on its first row. False:
    // every table closed, the screen does not show.
    bool open();
    void close();

    static std::string title();                   // "  บันทึกการแก้ไขข้อมูลการชั่ง"
    static std::string browseStatus();            // "รายการบันทึกการแก้ไขข้อมูล"
    static std::string caption(Button b);         // "&บนสุด" ... (TIS-620)
    static std::string statusText(Button b);      // the message-bar text of a button
    // Top, bottom, search and exit from level 1; print and copy from 2; the purge at 6.
    bool enabled(Button b) const;
    int level() const { return m_level; }

    AuditRows& rows() { return m_rows; }
    storage::Table* log() { return m_ws.find("Audit"); }

    // AUDITFIND: from the row after the current one, the first whose date, time, key, staff,
    // label, old and new value, joined and upper-cased, contain the trimmed, upper-cased text.
    // True when found (the current row is then the hit); otherwise the current row stays and
    // "ไม่พบข้อมูลตามที่ระบุ !" is shown. An empty text finds nothing and says nothing.
    bool find(const std::string& text);

    // The date-range dialog's titles and labels.
    enum class RangeUse { Copy, Purge, Print };
    static std::string rangeTitle(RangeUse use);
    static std::string fromLabel();  // "เ&ริ่มต้น"
    static std::string toLabel();    // "&จนถึง"

    // AUDITSAVE's file dialog: title, filter name and today's file name ("05122026.TXT").
    static std::string copyDialogTitle();
    static std::string copyFileName(core::Date today);

    // AUDITSAVE after the file was chosen: asks before overwriting an existing file, writes the
    // rows dated in the range (both ends included) in index order - one line per row, the seven
    // fields in table order separated by commas, texts right-trimmed in double quotes with an
    // embedded double quote doubled, the date as eight digits YYYYMMDD, TIS-620 bytes, CR LF after
    // every line - and says it is done. The log is not changed. False when refused or the file
    // could not be written (the person is told).
    bool copy(core::Date from, core::Date to, const std::string& path);

    // AUDITDEL after the range: confirms, then opens the log exclusively (every table closed
    // first; OPEN's message when another workstation holds it, and nothing is removed), removes
    // the rows dated in the range and packs; reopens the log shared on its first row either way.
    // True when rows were purged.
    bool purge(core::Date from, core::Date to);

    // AUDITREP after the range: the rows dated in the range as a grid report on the job (begun
    // with the caption "Audit trail", ended at the close). Returns to the first row afterwards.
    void report(core::Date from, core::Date to, core::PrintJob& job);

private:
    bool openShared();
    void resetRows();

    int m_level;
    storage::Workspace m_ws;
    AuditRows m_rows;
};

// The line AUDITSAVE writes for one row (without its line end), for tests and the fuzzer.
std::string auditCopyLine(core::Date date, const std::vector<std::string>& texts);

}  // namespace audit
