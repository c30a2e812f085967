#include "maintenance_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/check.h"
#include "storage/field_codec.h"
#include "storage/table.h"
#include "support/test_site.h"

namespace mainttest {
namespace {

// Calls f on every record of the table in record order; with `write`, each record locked and the
// table written back at the end.
void eachRecord(const std::string& path, bool write, const std::function<void(storage::Table&)>& f)
{
    std::unique_ptr<storage::Table> t;
    const storage::Status s = storage::Table::open(path, storage::ShareMode::Shared, &t);
    ASSERT_TRUE(s.ok()) << path << ": " << s.toString();
    for (std::uint32_t n = 1; n <= t->recCount(); ++n) {
        ASSERT_TRUE(t->goTo(n).ok());
        ASSERT_TRUE(!write || t->lock().ok());
        f(*t);
        ASSERT_TRUE(!write || t->unlock().ok());
    }
    ASSERT_TRUE(!write || t->commit().ok());
    ASSERT_TRUE(t->close().ok());
}

std::string fieldText(storage::Table& t, const char* field)
{
    const int i = t.fieldIndex(field);
    EXPECT_GE(i, 0) << field;
    if (i < 0)
        return {};
    std::string_view raw;
    EXPECT_TRUE(t.raw(i, &raw).ok());
    return core::tis620::toUtf8(core::xbase::alltrim(raw));
}

}  // namespace

Site::Site()
{
    storage::setHardCommit(false);
    testsupport::makeSite(dir());
    core::Settings& s = core::programSettings();
    s.setText("CDRV3", backup());
    s.setText("CSYSSOUND", "N");
}

Site::~Site()
{
    core::programSettings().clear();
    storage::setHardCommit(true);
}

std::string Site::pathOf(const char* table) const
{
    const storage::TableDef* def = storage::findTable(table);
    return (std::string(def->folderSetting) == "CDRV1" ? tables() : data()) + storage::tableFileName(*def);
}

void Site::load(const char* table, const std::string& csv)
{
    testsupport::loadCsv(dir(), table, csv);
}

std::vector<std::string> Site::column(const std::string& path, const char* field) const
{
    std::vector<std::string> out;
    eachRecord(path, false, [&](storage::Table& t) { out.push_back(fieldText(t, field) + (t.deleted() ? "*" : "")); });
    return out;
}

int Site::mark(const std::string& path, const char* field, const std::string& value, bool marked) const
{
    int n = 0;
    eachRecord(path, true, [&](storage::Table& t) {
        if (fieldText(t, field) != value)
            return;
        EXPECT_TRUE((marked ? t.deleteRecord() : t.recall()).ok());
        ++n;
    });
    return n;
}

void Site::set(const std::string& path, const char* keyField, const std::string& key, const char* field,
               const std::string& value) const
{
    eachRecord(path, true, [&](storage::Table& t) {
        if (fieldText(t, keyField) != key)
            return;
        const storage::Field& f = t.layout().fields()[std::size_t(t.fieldIndex(field))];
        std::vector<std::string> records;
        const storage::csv::Document doc{.header = {field}, .rows = {{value}}, .lines = {2}};
        ASSERT_TRUE(storage::csv::toRecords(doc, t.layout(), &records).ok());
        ASSERT_TRUE(t.put(t.fieldIndex(field), storage::field::value(f, records.front().data())).ok());
    });
}

std::vector<std::string> Site::problems(const char* table) const
{
    storage::CheckReport report;
    const std::string path = pathOf(table);
    storage::checkTable(path, storage::indexesOf(path), &report);
    return report.problems;
}

void Site::withSound(const char* wave) const
{
    core::programSettings().setText("CSYSSOUND", "Y");
    std::filesystem::create_directories(tables() + "sounds");
    testsupport::writeFile(tables() + "sounds/" + wave, "RIFF");
}

void loadJanuary(Site& s)
{
    s.load("Wdata1",
           "TICKET,STAT,TRUCK,COMPANY,DAYIN,TMIN,QTY\n"
           "000001,2,70-1234,F001,20251231,08:00:00,100\n"
           "000002,2,70-1234,F001,20260101,08:00:00,200\n"
           "000003,1,81-5678,F001,20260115,09:00:00,0\n"
           "000004,2,81-5678,F001,20260131,17:00:00,400\n"
           "000005,2,70-1234,F001,20260201,08:00:00,500\n"
           "000006,2,70-1234,F001,20260120,10:00:00,600\n");
    s.mark(s.pathOf("Wdata1"), "TICKET", "000006");
    for (const char* t : {"Wdata2", "Wdata3", "Wdata4", "Wdata5"})
        s.load(t, "TICKET,STAT,DAYIN,TMIN\n000001,2,20260110,08:00:00\n000002,2,20260210,08:00:00\n");
    for (const char* t : {"Money1", "Money2", "Money3", "Money4", "Stock1"})
        s.load(t, "TICKET,DATE\n000001,20260110\n000002,20260202\n000003,20251231\n");
    for (const char* t : {"Detail1", "Detail2"})
        s.load(t, "INDENT,RECORD,DOC_NO,DOC_DATE,AMOUNT\nI1,R1,000001,20260110,100\nI2,R2,000002,20260202,50\n");
    s.load("Detail3", "INDENT,RECORD,DOC_NO,DOC_DATE,QTY\nI1,R1,000001,20260110,1\nI2,R2,000002,20260202,2\n");
    s.load("Stock", "CODE,WHOUSE,BALANCE\nP001,W1,1200\n");
    s.load("ApAcc", "CODE,BALANCE,BORROW\nF001,5000,0\n");
    s.load("ArAcc", "CODE,BALANCE,BORROW\nC001,700,0\n");
    s.load("OrAcc", "CODE,COMPANY,PRODUCT,ORWEIGHT\nSO1,C001,P001,1000\n");
}

}  // namespace mainttest
