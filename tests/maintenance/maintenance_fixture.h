// A new site for the file-maintenance tests in a temporary folder (its settings in force, rows appended
// from CSV), readers and writers of table files, scripted seams, and the jobs run on January 2026.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/tis620.h"
#include "maintenance/backup.h"
#include "maintenance/maintenance_tables.h"
#include "maintenance/purge.h"
#include "maintenance/restore.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace mainttest {

using core::tis620::T;
using Strings = std::vector<std::string>;

class Site {
public:
    Site();
    ~Site();

    std::string dir() const { return m_dir.path() + "/site"; }
    std::string configFile() const { return dir() + "/MERVO.INI"; }
    std::string tables() const { return dir() + "/TABLES/"; }
    std::string data() const { return dir() + "/DATA/"; }
    std::string backup() const { return dir() + "/BACKUP/"; }
    // The folder of a catalogue table and its file's path.
    std::string pathOf(const char* table) const;
    // The bytes of a catalogue table's file.
    std::string bytesOf(const char* table) const { return testsupport::readFile(pathOf(table)); }

    // Rows appended to a catalogue table (UTF-8 CSV with a header line).
    void load(const char* table, const std::string& csv);

    // A column of every record of a table file in record order, trailing blanks removed (UTF-8),
    // with "*" appended for a marked record. Dates as YYYYMMDD, numbers as stored.
    Strings column(const std::string& path, const char* field) const;
    // The same of a catalogue table.
    Strings columnOf(const char* table, const char* field = "TICKET") const { return column(pathOf(table), field); }
    // Marks (or unmarks) the records whose field, trimmed, equals value. Returns how many.
    int mark(const std::string& path, const char* field, const std::string& value, bool marked = true) const;
    // Sets a field (as CSV text: numbers plain, dates YYYYMMDD) of the records whose key field equals.
    void set(const std::string& path, const char* keyField, const std::string& key, const char* field,
             const std::string& value) const;
    // The index problems `check` finds for a table of the catalogue (empty: all good).
    Strings problems(const char* table) const;
    // Sounds switched on, with the one wave file of the sounds folder a job plays.
    void withSound(const char* wave) const;

    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;
    testsupport::RecordingSound sound;
    testsupport::RecordingFaultHandler faults;

private:
    testsupport::TempDir m_dir;
};

// Records from 31 December to 1 February in every transaction table (January ticket 000006 marked)
// and a row in each ledger.
void loadJanuary(Site& s);

inline const maintenance::DateSpan kJanuary{core::Date::fromYmd(2026, 1, 1), core::Date::fromYmd(2026, 1, 31)};

inline std::vector<maintenance::StepResult> backup(const std::string& name)
{
    return maintenance::FGBACKUP1([&] { return std::optional(maintenance::BackupRequest{name, kJanuary}); }, nullptr);
}

inline std::vector<maintenance::StepResult> restore(const std::string& name)
{
    return maintenance::FGRESTORE1([&] { return std::optional(name); }, nullptr);
}

inline std::vector<maintenance::StepResult> purge()
{
    return maintenance::FGDELETE([] { return std::optional(kJanuary); }, nullptr);
}

inline std::vector<maintenance::Outcome> outcomes(const std::vector<maintenance::StepResult>& r)
{
    std::vector<maintenance::Outcome> out;
    for (const auto& s : r)
        out.push_back(s.outcome);
    return out;
}

inline long done(const std::vector<maintenance::StepResult>& r)
{
    return std::count_if(r.begin(), r.end(), [](const auto& s) { return s.outcome == maintenance::Outcome::Done; });
}

}  // namespace mainttest
