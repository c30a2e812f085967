// The report engine: REPSTART walks the table open as "detail" in its active order, lets a filter
// (DATACHECK) choose the records, finds group and block changes, and has REPMAKE run the print
// lines of the right section at each moment onto the print job "MERVO Report"; REPLINE moves the
// current line from inside an expression.
//
// Page geometry: CPAGEL body lines a page; the line height is the page height in dots divided by
// CPAGEL + CPLENGHT (truncated); line n's text top is at n x line height, its bottom at
// (n + 1) x line height; x is the position in inches plus the definition's left margin, times the
// printer's dots per inch. Fonts 1..3 are the report fonts times CPRNFAC, pens 1..3 CPEN1..3.
//
// The report values expressions see while it runs (besides the detail's fields, alias->field of
// the open tables, the values map and the program-wide settings): NLINE, NPAGE, NPGNO, NITEM, NSUM,
// NSUB, the 30 accumulators CSUB, CSUM, CTOT (block, group, report), the 10 name slots CDNAME,
// CGROUP, CBLOCK. Runs on the caller's workspace and thread; the REPLINE hook is installed only
// while REPSTART runs.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/print_job.h"
#include "core/value_map.h"
#include "reports/definition.h"
#include "storage/workspace.h"

namespace core {
class PrintDestination;
}

namespace reports {

inline constexpr int kAccumulators = 30;
inline constexpr int kNameSlots = 10;
// The print job's name, also the preview's caption.
inline constexpr const char* kReportJobTitle = "MERVO Report";
// The title of the engine's and the selection's messages.
inline constexpr const char* kReportTitleUtf8 = "  ส่วนจัดทำรายงาน";

// `count` Thai digit nines (TIS-620): the placeholder no real value equals.
std::string thaiNines(int count);

// What DATACHECK says of the current record; Stop when a fault in it was answered Quit.
enum class FilterAnswer { Accept, Reject, Stop };

enum class ReportOutcome {
    Printed,    // pages went to the job and it was ended (printed, previewed or written)
    NoData,     // no record passed the filter: "ไม่มีข้อมูลตามเงื่อนไขที่ระบุ"; the job opened and closed empty
    NoPrinter,  // the printer choice was cancelled, or the job could not begin or end
    Stopped,    // an expression's fault was answered Quit, or the table failed; nothing printed
    NotRun,     // the detail table could not be prepared (the person was told why)
};

class ReportEngine {
public:
    // DATACHECK on the current record of "detail" (without one, every record not marked for
    // deletion belongs).
    using Filter = std::function<FilterAnswer()>;
    // How far the walk is, 0..100, called when it changes and with 100 once the pages are made:
    // the share of the detail's records visited, or, for a walk limited to dates, how far into
    // the range the date of the record visited lies.
    using Progress = std::function<void(int percent)>;

    // `values` holds the ranges, the report's identity and settings values (CEJECT ...); it must
    // outlive the engine, as must the workspace and the definition.
    ReportEngine(storage::Workspace& ws, const Definition& definition, const core::ValueMap& values,
                 std::string reportName);
    ~ReportEngine();
    ReportEngine(const ReportEngine&) = delete;
    ReportEngine& operator=(const ReportEngine&) = delete;

    void setFilter(Filter filter);
    void setProgress(Progress progress);
    // Called after every move of "detail" (before the filter looks at the record): the related
    // tables follow it (reports/relations.h).
    void setFollow(std::function<void()> follow);
    // Walks only the records whose date field (the first part of the active order's key, a date
    // field of "detail" as DTOS gives it) lies in from..to: the walk starts at the first key of
    // `from` and ends after the last of `to`. Only for a filter that rejects every other record,
    // so the pages are those of the whole walk.
    void limitToDates(int dateField, core::Date from, core::Date to);

    // REPSTART with the job from the destination ("Report" printer rule; a preview unless CPRINTER
    // is "N").
    ReportOutcome REPSTART(core::PrintDestination& destination);
    // REPSTART onto a job the caller made and began (tests, benchmarks); the job is ended here
    // when the outcome is Printed or NoData.
    ReportOutcome REPSTART(core::PrintJob& job);

    // The number of pages printed by the last run.
    int pages() const;

    class Impl;

private:
    std::unique_ptr<Impl> m;
};

}  // namespace reports
