// The edit log alone in a temporary data folder (CDRV2) for the user ADMIN, rows written through
// the log's own writer, scripted prompts and a fake clock; the settings come back as they were.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "audit/audit.h"
#include "core/row_source.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace audittest {

inline core::Date day(int d)
{
    return core::Date::fromYmd(2026, 12, d);
}

// The label (DESCRIP) of the row the browse stands on, in UTF-8 without trailing blanks.
inline std::string currentLabel(core::RowSource& rows)
{
    std::vector<std::string> cells;
    rows.cells(cells);
    return cells.size() > 4 ? core::tis620::toUtf8(core::xbase::rtrim(cells[4])) : std::string();
}

class AuditLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = core::programSettings();
        core::programSettings().setText("CDRV2", folder());
        core::programSettings().setText("CUSER", "ADMIN");
        const storage::TableDef* def = storage::findTable("Audit");
        ASSERT_TRUE(storage::Table::create(folder() + storage::tableFileName(*def), storage::fieldSpecs(def->fields)).ok());
    }
    void TearDown() override { core::programSettings() = m_saved; }

    std::string folder() const { return dir.path() + "/"; }

    // Rows (day of December 2026, label, old value; UTF-8) written one a second from 08:00:00.
    void addRows(const std::vector<std::tuple<int, std::string, std::string>>& rows)
    {
        storage::Workspace ws;
        ASSERT_TRUE(audit::openAudit(ws));
        for (const auto& [d, label, old] : rows) {
            clock.day = day(d);
            clock.hundredths += 100;
            ASSERT_TRUE(audit::writeAuditRow(ws, "TRK01-000001", core::tis620::T(old), "new", core::tis620::T(label)));
        }
        (void)ws.closeAll();
        clock.day = day(5);
    }

    testsupport::TempDir dir;
    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;

private:
    core::Settings m_saved;
};

}  // namespace audittest
