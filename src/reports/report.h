// REPORT: the report menu's operation - the report list (REPSELECT), the chosen report's
// definition read into the user's work table "R_" + user (alias "RepPrn") with its settings, the
// tables of its range form opened and the range dialog shown, and on OK REPCREA: the detail table
// prepared by family (a code table, the analysis work tables) and the engine run onto the print
// job "MERVO Report". Everything opened is closed again when the report ends.
//
// ReportSession is one report's run without its dialogs (the GUI, `mervo-admin report` and tests
// share it); ReportPicker is REPSELECT's list; ReportDestination keeps the range dialog's printer
// set-up; ReportScreens is the seam through which REPORT shows the two dialogs (the Qt ones are
// installed by the program, tests script their own). Messages go through core::prompts(). One
// thread (the GUI's); a session owns nothing but its values and uses the caller's workspace.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codes/table_browse.h"
#include "core/print_destination.h"
#include "core/print_job.h"
#include "core/printer_choice.h"
#include "core/value_map.h"
#include "reports/definition.h"
#include "reports/engine.h"
#include "reports/forms.h"
#include "reports/relations.h"
#include "storage/table_row_source.h"
#include "storage/workspace.h"

namespace reports {

// REPSELECT's list: "RepList" (open in the workspace under that alias) in code order, its search
// text "RepList->code+RepList->name".
class ReportPicker {
public:
    struct Column {
        const char* headingUtf8;
        const char* expression;
        int width;
    };
    static const std::vector<Column>& columns();  // "รหัสรายงาน" 100, "ชื่อรายงาน" 200
    static std::string title();                   // "  กรุณาเลือกรายงานที่ต้องการ" (TIS-620)
    static constexpr int kSearchWidth = 40;

    explicit ReportPicker(storage::Workspace& ws);
    ~ReportPicker();

    bool valid() const { return m_source != nullptr; }
    storage::TableRowSource& rows() { return *m_source; }
    codes::TableBrowse& browse() { return *m_browse; }

    // The buttons: top, bottom, search (SACTION 1, 2, 3).
    void top();
    void bottom();
    void search(std::string_view text);
    // Enter, a double click or OK: the highlighted report is chosen; false on an empty list.
    bool choose();

    bool chosen() const { return m_chosen; }
    const std::string& code() const { return m_code; }  // trimmed, TIS-620
    const std::string& name() const { return m_name; }

private:
    storage::Workspace& m_ws;
    std::unique_ptr<storage::TableRowSource> m_source;
    std::unique_ptr<codes::TableBrowse> m_browse;
    bool m_chosen = false;
    std::string m_code, m_name;
};

// The messages of a date range that cannot run.
inline constexpr const char* kDatesMissingUtf8 = "กรุณาระบุวันที่ให้ครบทั้งสองช่อง";
inline constexpr const char* kDatesReversedUtf8 = "วันที่เริ่มต้นอยู่หลังวันที่สิ้นสุด กรุณาแก้ไข";

class ReportSession {
public:
    explicit ReportSession(storage::Workspace& ws);
    ~ReportSession();  // finish()
    ReportSession(const ReportSession&) = delete;
    ReportSession& operator=(const ReportSession&) = delete;

    // Steps 2 to 4 for the chosen report (code and name as the list holds them): the definition
    // file CDRV1 + code + ".txt" ("ไม่พบรูปแบบรายงาน " + code), the work table ("แฟ้มรายงานกำลังถูกใช้งาน"
    // when another workstation of the user holds it), the settings ("รูปแบบรายงานระบุเงื่อนไขไม่ครบ"
    // when a required one is missing). False after the message.
    bool load(std::string_view code, std::string_view name);

    // Step 5 up to the dialog: the form's tables opened with their relations and the ranges set
    // to their defaults (codes the first and last code of their table, numbers "000000" to
    // "999999", dates today). False when a table could not be opened (the storage layer's
    // message), when the form is not "1".."7" (nothing said), or does not fit the report
    // ("ไม่พบเงื่อนไขรายงานที่ระบุ").
    bool openForm();

    // The range entries of the form and the values they edit (the ranges, the report's identity
    // CREPCODE/CREPNAME, CPOP, CDRX, the definition's settings and CEJECT).
    const std::vector<RangeDef>& ranges() const { return m_ranges; }
    core::ValueMap& values() { return m_values; }
    const core::ValueMap& values() const { return m_values; }
    int form() const { return m_form; }
    const std::string& code() const { return m_code; }
    const std::string& name() const { return m_name; }
    const Definition& definition() const { return m_definition; }

    // A code range entry (the value `name`, one of the range's two) was left: the code table's
    // pick-list over it (POPCODE mode 2). True when a code was accepted.
    bool pickRange(const RangeDef& range, const std::string& name);

    // The date range of the form, checked before a run: both dates given and the first not after
    // the second. False after telling the person (kDatesMissingUtf8, kDatesReversedUtf8);
    // `failed` receives the name of the range value to correct.
    bool datesValid(std::string* failed = nullptr) const;

    // OK: REPCREA - the detail table prepared by family and the engine run (REPSTART) onto the
    // destination's "Report" job, or onto a job the caller began. Every table is closed afterwards.
    ReportOutcome REPCREA(core::PrintDestination& destination, const ReportEngine::Progress& progress = {});
    ReportOutcome REPCREA(core::PrintJob& job, const ReportEngine::Progress& progress = {});
    // Pages of the last REPCREA.
    int pages() const { return m_pages; }

    // Step 6: every table closed, the report's values released.
    void finish();

private:
    ReportOutcome create(core::PrintDestination* destination, core::PrintJob* job,
                         const ReportEngine::Progress& progress);
    bool openFormTables();
    bool setDefaults();

    storage::Workspace& m_ws;
    Relations m_relations;  // the tables following "detail"
    core::ValueMap m_values;
    Definition m_definition;
    std::string m_code, m_name;
    int m_form = 0;
    std::vector<RangeDef> m_ranges;
    int m_pages = 0;
};

// Where the range dialog sends its report. Until the person chooses a printer with the dialog's
// printer set-up button, the usual destination's "Report" job (the printer rule, else the person's
// choice when the report starts); once a printer (or a PDF file) was chosen there, every run from
// the dialog goes to it without the rule being asked. The choice lasts as long as the object.
class ReportDestination final : public core::PrintDestination {
public:
    ReportDestination(core::PrintDestination& usual, core::Printers& printers,
                      core::ChoosingDestination::JobMaker makeJob)
        : m_usual(usual), m_printers(printers), m_makeJob(std::move(makeJob))
    {
    }
    // The printer set-up: the person's choice in the printer dialog titled `title`; a cancelled
    // dialog leaves the earlier choice. True when a printer was chosen.
    bool setUp(const std::string& title);
    // The printer chosen ("" a PDF file); nullopt before any.
    const std::optional<std::string>& chosen() const { return m_chosen; }

    std::unique_ptr<core::PrintJob> open(std::string_view printerKind, bool preview, const std::string& title) override;
    bool sendRaw(const std::string& bytes) override { return !m_chosen && m_usual.sendRaw(bytes); }

private:
    core::PrintDestination& m_usual;
    core::Printers& m_printers;
    core::ChoosingDestination::JobMaker m_makeJob;
    std::optional<std::string> m_chosen;
};

// The name of a report code in "RepList" (the code matched trimmed, in upper case); nullopt when
// the list cannot be opened (after the storage layer's message) or holds no such code.
std::optional<std::string> reportName(std::string_view code);

// What REPORT shows. Each call shows its dialog modal and returns when it closed.
class ReportScreens {
public:
    virtual ~ReportScreens() = default;
    // REPSELECT's dialog; true when a report was chosen (picker.choose() answered true).
    virtual bool chooseReport(ReportPicker& picker) = 0;
    // The range dialog; its OK runs session.REPCREA(...) and closes it, cancel closes it.
    virtual void askRanges(ReportSession& session) = 0;
};

// The screens in force; until the GUI installs its own nothing is chosen.
ReportScreens& reportScreens();
ReportScreens* setReportScreens(ReportScreens* screens);  // nullptr restores the default

// REPORT(): the whole operation on a workspace of its own.
void REPORT();

}  // namespace reports
