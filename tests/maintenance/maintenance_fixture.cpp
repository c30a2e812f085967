#include "maintenance_fixture.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/check.h"
#include "storage/field_codec.h"
#include "storage/table.h"
#include "support/test_site.h"

namespace mainttest {
namespace {

std::unique_ptr<storage::Table> openShared(const std::string& path)
{
    std::unique_ptr<storage::Table> t;
    const storage::Status s = storage::Table::open(path, storage::ShareMode::Shared, &t);
    EXPECT_TRUE(s.ok()) << s.toString();
    return t;
}

// Calls f on every record of the table, locked, then writes it back.
void rewrite(const std::string& path, const std::function<void(storage::Table&)>& f)
{
    auto t = openShared(path);
    if (!t)
        return;
    const std::uint32_t count = t->recCount();
    for (std::uint32_t n = 1; n <= count; ++n) {
        ASSERT_TRUE(t->goTo(n).ok());
        ASSERT_TRUE(t->lock().ok());
        f(*t);
        ASSERT_TRUE(t->unlock().ok());
    }
    ASSERT_TRUE(t->commit().ok());
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
    auto t = openShared(path);
    if (!t)
        return out;
    const std::uint32_t count = t->recCount();
    for (std::uint32_t n = 1; n <= count; ++n) {
        EXPECT_TRUE(t->goTo(n).ok());
        out.push_back(fieldText(*t, field) + (t->deleted() ? "*" : ""));
    }
    return out;
}

int Site::mark(const std::string& path, const char* field, const std::string& value, bool marked) const
{
    int n = 0;
    rewrite(path, [&](storage::Table& t) {
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
    rewrite(path, [&](storage::Table& t) {
        if (fieldText(t, keyField) != key)
            return;
        const storage::Field& f = t.layout().fields()[std::size_t(t.fieldIndex(field))];
        std::vector<std::string> records;
        storage::csv::Document doc;
        doc.header = {field};
        doc.rows = {{value}};
        doc.lines = {2};
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

std::vector<std::string> shown(const testsupport::RecordingPrompts& p)
{
    std::vector<std::string> out;
    for (const auto& s : p.shown)
        out.push_back(core::tis620::toUtf8(s.text));
    return out;
}

std::vector<std::string> shownWithTitles(const testsupport::RecordingPrompts& p)
{
    std::vector<std::string> out;
    for (const auto& s : p.shown)
        out.push_back(core::tis620::toUtf8(core::xbase::alltrim(s.title)) + "|" + core::tis620::toUtf8(s.text));
    return out;
}

}  // namespace mainttest
