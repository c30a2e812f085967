// Helpers the maintenance tests share: the jobs run on January 2026 with every question answered
// as scripted, and the outcomes of a job's steps.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "maintenance/backup.h"
#include "maintenance/maintenance_tables.h"
#include "maintenance/purge.h"
#include "maintenance/restore.h"

namespace mainttest {

inline const maintenance::DateSpan kJanuary{core::Date::fromYmd(2026, 1, 1), core::Date::fromYmd(2026, 1, 31)};

inline std::vector<maintenance::StepResult> backup(const std::string& name, maintenance::Progress* progress = nullptr)
{
    return maintenance::FGBACKUP1([&] { return std::optional(maintenance::BackupRequest{name, kJanuary}); }, progress);
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
