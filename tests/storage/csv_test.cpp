// CSV for people and spreadsheets: the RFC 4180 reader of `load`, and the conversion of each value
// to its field that refuses (with line and column) what would not be stored exactly.
#include <gtest/gtest.h>

#include "core/tis620.h"
#include "storage/table.h"
#include "storage/table_csv.h"
#include "storage_test_util.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;

TEST(CsvParse, ReadsRfc4180AndRejectsWhatItCannotRead)
{
    using Rows = std::vector<std::vector<std::string>>;
    const struct {
        const char* text;
        Rows rows;        // header first
        const char* error;  // substring of the error, or null
        std::vector<std::size_t> lines = {};  // where each row starts, when given
    } cases[] = {
        {"A,B\n1,2\n", {{"A", "B"}, {"1", "2"}}, nullptr},
        {"A,B\r\n1,2\r\n3,\r\n", {{"A", "B"}, {"1", "2"}, {"3", ""}}, nullptr},
        {"\xEF\xBB\xBF" "A\nx", {{"A"}, {"x"}}, nullptr},
        {"A,B\n\"a,b\",\"say \"\"hi\"\"\"\n", {{"A", "B"}, {"a,b", "say \"hi\""}}, nullptr},
        {"A\n\"two\nlines\"\n\n\nz\n", {{"A"}, {"two\nlines"}, {"z"}}, nullptr, {2, 6}},
        {"A\n\"\"\n", {{"A"}, {""}}, nullptr},
        {"A\n\"x\"y\n", {}, "line 2: text after the closing quote"},
        {"A\nx\"y\n", {}, "line 2: a quote inside a value"},
        {"A\n1\n\"open\n", {}, "line 3: a quoted value is never closed"},
        {"A\rB\n", {}, "line 1: a carriage return"},
        {"", {}, "no header line"},
        {"\n\n", {}, "no header line"},
    };
    for (const auto& c : cases) {
        csv::Document doc;
        const Status s = csv::parse(c.text, &doc);
        if (c.error) {
            EXPECT_TRUE(s.is(Status::Code::InvalidArgument)) << c.text;
            EXPECT_NE(s.message().find(c.error), std::string::npos) << s.message();
            continue;
        }
        ASSERT_TRUE(s.ok()) << c.text << ": " << s.toString();
        Rows got{doc.header};
        got.insert(got.end(), doc.rows.begin(), doc.rows.end());
        EXPECT_EQ(got, c.rows) << c.text;
        if (!c.lines.empty()) {
            EXPECT_EQ(doc.lines, c.lines) << c.text;
        }
    }
}

TEST(CsvRecords, EachValueIsStoredExactlyOrRefused)
{
    Layout layout;
    ASSERT_OK(Layout::fromSpecs({{"NAME", FieldType::Character, 5, 0},
                                 {"AMOUNT", FieldType::Numeric, 8, 2},
                                 {"DAY", FieldType::Date, 0, 0},
                                 {"OK", FieldType::Logical, 0, 0}},
                                &layout));
    const struct {
        const char* column;
        const char* value;
        const char* stored;  // the field's bytes in UTF-8, or null when refused
        const char* error;
    } cases[] = {
        {"NAME", "ABC", "ABC  ", nullptr},
        {"NAME", "ABC      ", "ABC  ", nullptr},
        {"NAME", "ก ขค", "ก ขค ", nullptr},
        {"NAME", "ABCDEF", nullptr, "longer than the field's 5"},
        {"NAME", "€", nullptr, "TIS-620"},
        {"NAME", "\xC3", nullptr, "not UTF-8"},
        {"AMOUNT", "12.5", "   12.50", nullptr},
        {"AMOUNT", "-3", "   -3.00", nullptr},
        {"AMOUNT", "12.340", "   12.34", nullptr},
        {"AMOUNT", "99999.99", "99999.99", nullptr},
        {"AMOUNT", "", "        ", nullptr},
        {"AMOUNT", "12.345", nullptr, "more decimals"},
        {"AMOUNT", "999999.99", nullptr, "does not fit"},
        {"AMOUNT", "1,234", nullptr, "not a number"},
        {"AMOUNT", " 12", nullptr, "not a number"},
        {"AMOUNT", "1e3", nullptr, "not a number"},
        {"DAY", "20241231", "20241231", nullptr},
        {"DAY", "", "        ", nullptr},
        {"DAY", "20240231", nullptr, "not a date"},
        {"DAY", "31/12/2024", nullptr, "not a date"},
        {"OK", "t", "T", nullptr},
        {"OK", "N", "F", nullptr},
        {"OK", "", " ", nullptr},
        {"OK", "yes", nullptr, "not a logical"},
    };
    for (const auto& c : cases) {
        csv::Document doc;
        ASSERT_OK(csv::parse(std::string("RECNO,DELETED,") + c.column + "\n7,*,\"" + c.value + "\"\n", &doc));
        std::vector<std::string> records;
        const Status s = csv::toRecords(doc, layout, &records);
        if (!c.stored) {
            EXPECT_TRUE(s.is(Status::Code::InvalidArgument)) << c.column << " " << c.value;
            EXPECT_NE(s.message().find("line 2, column 3 (" + std::string(c.column) + ")"), std::string::npos)
                << s.message();
            EXPECT_NE(s.message().find(c.error), std::string::npos) << s.message();
            continue;
        }
        ASSERT_TRUE(s.ok()) << c.column << " " << c.value << ": " << s.toString();
        ASSERT_EQ(records.size(), 1u);
        const Field& f = layout.fields()[std::size_t(layout.find(c.column))];
        EXPECT_EQ(records[0].substr(f.offset, f.length), core::tis620::fromUtf8(c.stored)) << c.value;
        // Record-number and flag columns are ignored: the record is live.
        EXPECT_EQ(records[0][0], ' ');
    }
}

TEST(CsvRecords, HeaderAndRowShapeProblemsNameTheirPlace)
{
    Layout layout;
    ASSERT_OK(Layout::fromSpecs({{"CODE", FieldType::Character, 10, 0}, {"NAME", FieldType::Character, 20, 0}},
                                &layout));
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"CODE,COLOUR\nA,red\n", "line 1, column 2: \"COLOUR\" is not a field"},
        {"CODE,code\nA,B\n", "line 1, column 2: \"code\" is given twice"},
        {"CODE\nA\nB,C\n", "line 3: 2 values, the header names 1"},
    };
    for (const auto& c : cases) {
        csv::Document doc;
        ASSERT_OK(csv::parse(c.text, &doc));
        std::vector<std::string> records;
        const Status s = csv::toRecords(doc, layout, &records);
        EXPECT_NE(s.message().find(c.error), std::string::npos) << s.message();
    }
    // Columns left out, and values left out at the end of a row, are blank.
    csv::Document doc;
    ASSERT_OK(csv::parse("name\nX\n", &doc));
    std::vector<std::string> records;
    ASSERT_OK(csv::toRecords(doc, layout, &records));
    EXPECT_EQ(records[0], " " + std::string(10, ' ') + "X" + std::string(19, ' '));
}

TEST(CsvRecords, AppendedThroughTheSharedAppendWithIndexesKept)
{
    testsupport::TempDir dir;
    ASSERT_OK(Table::create(dir.file("T.DBF"), {{"CODE", FieldType::Character, 4, 0}, {"N", FieldType::Numeric, 5, 1}}));
    std::unique_ptr<Table> t;
    ASSERT_OK(Table::open(dir.file("T.DBF"), ShareMode::Shared, &t));
    ASSERT_OK(t->addOrder(dir.file("T.NTX"), "CODE"));
    csv::Document doc;
    ASSERT_OK(csv::parse("CODE,N\nC,1.5\nA,\nB,-2\n", &doc));
    std::vector<std::string> records;
    ASSERT_OK(csv::toRecords(doc, t->layout(), &records));
    ASSERT_OK(csv::appendRecords(*t, records));
    EXPECT_EQ(t->recCount(), 3u);
    EXPECT_FALSE(t->isLocked(3));
    std::string order;
    ASSERT_OK(t->goTop());
    while (!t->eof()) {
        const char* rec = nullptr;
        ASSERT_OK(t->record(&rec));
        order += std::string(rec + 1, 4) + "|" + csv::fieldText(t->layout().fields()[1], rec) + ";";
        ASSERT_OK(t->skip());
    }
    EXPECT_EQ(order, "A   |;B   |-2.0;C   |1.5;");
}
