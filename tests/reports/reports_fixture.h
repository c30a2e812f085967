// A site for the report tests (mainttest::Site, the clock on 5 December 2026) with the demo report
// list and definitions, and optionally a week of business: tickets of every kind (one before the
// week, one open, one marked), vouchers with their lines, loans, a production record, and the
// ledgers and a purchase order as posting all of it gives them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codes/pick_list.h"
#include "core/date.h"
#include "core/print_destination.h"
#include "maintenance/maintenance_fixture.h"
#include "reports/report.h"
#include "storage/table.h"
#include "support/recording_print_job.h"

namespace reportstest {

using core::tis620::T;

// A pick-list that records its calls (table, trimmed seed) and answers `answer`'s code, or refuses.
class ScriptedPickList final : public codes::PickList {
public:
    ScriptedPickList() : m_previous(codes::setPickList(this)) {}
    ~ScriptedPickList() override { codes::setPickList(m_previous); }
    codes::PickResult pick(storage::Workspace&, int table, std::string_view seed, std::string_view, bool) override;

    std::function<std::optional<std::string>(const std::string& seed)> answer;
    std::vector<std::pair<int, std::string>> calls;

private:
    codes::PickList* m_previous;
};

// The texts a recording job drew, in UTF-8, one per text call, "page:text".
std::vector<std::string> drawnTexts(const testsupport::RecordingPrintJob& job);
// Whether a recording job drew the text (UTF-8) on any page.
bool drew(const testsupport::RecordingPrintJob& job, const std::string& text);

// Appends a record with the fields given; false when the table refused any of it.
bool appendRecord(storage::Table& t, const std::vector<std::pair<const char*, core::Value>>& fields);

// A report of the list loaded and its range form opened (with its defaults), as the range dialog has it.
struct OpenReport {
    explicit OpenReport(const std::string& code) : ok(session.load(code, "x") && session.openForm()) {}
    storage::Workspace ws;
    reports::ReportSession session{ws};
    bool ok;
};

class ReportSite : public mainttest::Site {
public:
    explicit ReportSite(bool withData = true);

    // Runs a report through a session as the range dialog's OK does, with the ranges' defaults
    // changed by `ranges` (value name -> value), onto a recording job; the outcome.
    reports::ReportOutcome run(const std::string& code, const std::map<std::string, core::Value>& ranges = {});
    // The same with the week's dates (1 to 5 December 2026).
    reports::ReportOutcome runWeek(const std::string& code, std::map<std::string, core::Value> ranges = {});
    // The same onto a job the caller made (and began).
    reports::ReportOutcome runOnto(const std::string& code, const std::map<std::string, core::Value>& ranges,
                                   core::PrintJob& job);

    // What the last run drew (see drawnTexts).
    std::vector<std::string> texts() const { return drawnTexts(m_job); }
    const testsupport::RecordingPrintJob& job() const { return m_job; }

    // A field of every record of a table (of the catalogue, or a path), trimmed, UTF-8.
    std::vector<std::string> values(const std::string& table, const char* field) const;
    // A numeric field of the record whose key field (trimmed) equals key; NaN when there is none.
    double number(const std::string& table, const char* keyField, const std::string& key, const char* field) const;
    // What the prompts showed since the last call, "TITLE|TEXT" (UTF-8); forgotten afterwards.
    std::vector<std::string> said();

    // The range dialog's dates from the d1'th to the d2'th of December 2026.
    static std::map<std::string, core::Value> days(int d1, int d2)
    {
        return {{"CDAYBEG", day(d1)}, {"CDAYEND", day(d2)}};
    }

    static core::Value day(int d) { return core::Value::date(core::Date::fromYmd(2026, 12, d)); }
    static core::Value code(const std::string& utf8) { return core::Value::text(T(utf8) + std::string(10 - T(utf8).size(), ' ')); }

private:
    testsupport::RecordingPrintJob m_job;
};

}  // namespace reportstest
