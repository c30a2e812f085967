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

using Strings = std::vector<std::string>;

inline core::Date day(int d) { return core::Date::fromYmd(2026, 12, d); }

// The label (DESCRIP) of the row the browse stands on, in UTF-8 without trailing blanks.
inline std::string currentLabel(core::RowSource& rows)
{
    Strings cells;
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
        create("Audit");
    }
    void TearDown() override { core::programSettings() = m_saved; }

    std::string folder() const { return dir.path() + "/"; }
    // An empty catalogue table in the folder.
    void create(const char* table)
    {
        const storage::TableDef* def = storage::findTable(table);
        ASSERT_TRUE(storage::Table::create(folder() + storage::tableFileName(*def), storage::fieldSpecs(def->fields)).ok());
    }

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

    // The log's rows in record order, the fields given (dates as YYYYMMDD, texts in UTF-8 without
    // trailing blanks) joined by "|".
    Strings logRows(std::initializer_list<const char*> fields = {"DATE", "TIME", "TICKET", "STAFF", "DESCRIP",
                                                                  "OLDDATA", "NEWDATA"})
    {
        Strings out;
        std::unique_ptr<storage::Table> t;
        EXPECT_TRUE(storage::Table::open(folder() + "AUDIT.DBF", storage::ShareMode::Shared, &t).ok());
        for (storage::Status s = t->goTop(); s.ok() && !t->eof(); s = t->skip()) {
            std::string row, separator;
            for (const char* f : fields) {
                core::Value v;
                EXPECT_TRUE(t->get(f, &v).ok());
                const std::string text = v.isDate() ? v.asDate().dtos() : core::xbase::rtrim(v.asText());
                row += separator + core::tis620::toUtf8(text);
                separator = "|";
            }
            out.push_back(row);
        }
        return out;
    }

    // The texts the prompts showed since the last call (UTF-8).
    Strings takeShown()
    {
        Strings out = prompts.texts();
        prompts.shown.clear();
        return out;
    }

    testsupport::TempDir dir;
    testsupport::RecordingPrompts prompts;
    testsupport::FakeClock clock;

private:
    core::Settings m_saved;
};

}  // namespace audittest
