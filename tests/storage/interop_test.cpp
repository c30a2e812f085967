// Our files through other readers (python3-dbfread, mervo-admin dump/check), and the CSV of `load`:
// read by RFC 4180, each value stored exactly or refused with its line and column.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/check.h"
#include "storage/field_codec.h"
#include "storage/table.h"
#include "storage/table_csv.h"
#include "storage_test_util.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

using namespace storage;
using namespace storagetest;

namespace {

const char* kPython = "/usr/bin/python3";  // Debian's, where python3-dbfread is installed
const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

// Live records, then deleted ones (dbfread lists them apart), a line each: texts right-trimmed, numbers
// to the field's decimals, dates YYYYMMDD, logicals T/F, empty for None.
const char* kReader = R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], encoding='tis-620', char_decode_errors='strict', load=True)
out = []
def text(f, v):
    if v is None: return ''
    if f.type == 'N': return ('%.' + str(f.decimal_count) + 'f') % v if f.decimal_count else str(int(v))
    if f.type == 'D': return v.strftime('%Y%m%d')
    if f.type == 'L': return 'T' if v else 'F'
    return v
for kind, records in (('L', t.records), ('D', t.deleted)):
    for r in records:
        out.append(kind + '|' + '|'.join(text(f, r[f.name]) for f in t.fields))
sys.stdout.buffer.write(('\n'.join(out) + '\n').encode('utf-8'))
)";

std::string ourReading(const std::string& dbf)
{
    auto t = openTable(dbf);
    std::string live, deleted;
    for (must(t->goTop()); !t->eof(); must(t->skip())) {
        const char* rec = nullptr;
        must(t->record(&rec));
        std::string line = rec[0] == '*' ? "D" : "L";
        for (const Field& f : t->layout().fields()) {
            line += '|';
            const std::string_view raw = field::raw(f, rec);
            if (f.type == FieldType::Character)
                line += core::tis620::toUtf8(core::xbase::rtrimView(raw));
            else if (field::isBlank(f, rec))
                continue;
            else if (f.type == FieldType::Numeric)
                line += core::xbase::decimalText(field::number(f, rec), f.decimals);
            else if (f.type == FieldType::Logical)
                line += field::logical(f, rec) ? "T" : "F";
            else
                line += std::string(raw);
        }
        (rec[0] == '*' ? deleted : live) += line + "\n";
    }
    return live + deleted;
}

// A table written by our engine: Thai texts, negative and blank numbers, dates, logicals, deletions.
void writeSample(const std::string& dbf, ShareMode mode, int records)
{
    auto t = newTable(dbf,
                      {{"CODE", FieldType::Character, 10, 0}, {"NAME", FieldType::Character, 30, 0},
                       {"BALANCE", FieldType::Numeric, 12, 2}, {"QTY", FieldType::Numeric, 6, 0},
                       {"LASTDATE", FieldType::Date, 0, 0}, {"ACTIVE", FieldType::Logical, 0, 0}},
                      mode);
    ASSERT_OK(t->createOrder(dbf.substr(0, dbf.size() - 4) + ".NTX", "CODE"));
    const std::string thai[] = {core::tis620::T("นายสมชาย ใจดี"), core::tis620::T("บริษัท ข้าวทอง จำกัด"), "Farm, \"North\""};
    for (int i = 1; i <= records; ++i) {
        ASSERT_OK(t->append());
        ASSERT_OK(t->putText(0, "C" + std::to_string(i * 37 % 101)));
        ASSERT_OK(t->putText(1, thai[i % 3]));
        if (i % 5)
            ASSERT_OK(t->putNumber(2, (i % 2 ? -1 : 1) * i * 101.25));
        ASSERT_OK(t->putNumber(3, i * 7));
        if (i % 4)
            ASSERT_OK(t->putDate(4, core::Date::fromYmd(2024, 1 + i % 12, 1 + i % 28)));
        if (i % 3)
            ASSERT_OK(t->putLogical(5, i % 2 == 0));
        if (i % 7 == 0)
            ASSERT_OK(t->deleteRecord());
        ASSERT_OK(t->unlock());
    }
}

}  // namespace

TEST(Interop, PeerReaderReadsOurTablesAsWeDo)
{
    ASSERT_TRUE(std::filesystem::exists(kPython)) << "python3 with python3-dbfread is needed (scripts/deps.sh)";
    testsupport::TempDir dir;
    SoftCommits soft;
    for (const std::string name : {"SHARED", "EXCL", "PACKED"}) {
        SCOPED_TRACE(name);
        const std::string dbf = dir.file(name + ".DBF");
        writeSample(dbf, name == "SHARED" ? ShareMode::Shared : ShareMode::Exclusive, 60);
        if (name == "PACKED") {
            auto t = openTable(dbf, ShareMode::Exclusive);
            ASSERT_OK(t->addOrder(dir.file(name + ".NTX")));
            ASSERT_OK(t->pack());
        }
        const auto r = testsupport::runProcess(kPython, {"-c", kReader, dbf});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, ourReading(dbf));
        // The check finds the table's own index by its name and judges both clean.
        CheckReport report;
        checkTable(dbf, indexesOf(dbf), &report);
        EXPECT_TRUE(report.ok() && report.notes.empty())
            << (report.problems.empty() ? (report.notes.empty() ? "" : report.notes[0]) : report.problems[0]);
        EXPECT_EQ(report.summary.size(), 2u);
    }
}

TEST(AdminCommands, DumpPrintsEveryRecordAsCsvInEitherOrder)
{
    // Quoting where a value needs it, "*" for a deleted record; blank numbers, dates and logicals empty.
    testsupport::TempDir dir;
    writeSample(dir.file("S.DBF"), ShareMode::Exclusive, 7);
    const auto name = [](const char* utf8) {
        return core::tis620::toUtf8(core::xbase::padRight(core::tis620::T(utf8), 30));
    };
    const std::string north = "\"Farm, \"\"North\"\"" + std::string(30 - 13, ' ') + "\"";
    const std::string header = "RECNO,DELETED,CODE,NAME,BALANCE,QTY,LASTDATE,ACTIVE\n";
    const std::vector<std::string> lines = {
        "1,,C37       ," + name("บริษัท ข้าวทอง จำกัด") + ",-101.25,7,20240202,F\n",
        "2,,C74       ," + north + ",202.50,14,20240303,T\n",
        "3,,C10       ," + name("นายสมชาย ใจดี") + ",-303.75,21,20240404,\n",
        "4,,C47       ," + name("บริษัท ข้าวทอง จำกัด") + ",405.00,28,,T\n",
        "5,,C84       ," + north + ",,35,20240606,F\n",
        "6,,C20       ," + name("นายสมชาย ใจดี") + ",607.50,42,20240707,\n",
        "7,*,C57       ," + name("บริษัท ข้าวทอง จำกัด") + ",-708.75,49,20240808,F\n",
    };
    const auto dump = [&](std::vector<std::string> options) {
        options.insert(options.begin(), {"dump", dir.file("S.DBF")});
        const auto r = testsupport::runProcess(kAdmin, options);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    };
    std::string expected = header;
    for (const std::string& line : lines)
        expected += line;
    EXPECT_EQ(dump({}), expected);
    EXPECT_EQ(dump({"--deleted"}), header + lines[6]);
    EXPECT_EQ(dump({"--index", dir.file("S.NTX")}),
              header + lines[2] + lines[5] + lines[0] + lines[3] + lines[6] + lines[1] + lines[4]);

    const auto r = testsupport::runProcess(kAdmin, {"dump", dir.file("NONE.DBF")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("NONE.DBF"), std::string::npos);
}

TEST(AdminCommands, CheckReportsProblemsAndExitsOne)
{
    testsupport::TempDir dir;
    copyGolden(dir.path(), {"WDATA1.DBF", "WDATA1.NTX", "WDATA12.NTX", "WDATA13.NTX", "FARMER.DBF", "FARMER.NTX"});
    auto r = testsupport::runProcess(kAdmin, {"check", dir.path()});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\nOK\n"), std::string::npos);

    // A key changed in an index page: the checker names the record.
    std::string ntx = testsupport::readFile(dir.file("FARMER.NTX"));
    const std::size_t at = ntx.find("F0130", ntx::kPageSize);
    ASSERT_NE(at, std::string::npos);
    patchFile(dir.file("FARMER.NTX"), at, "F0131");
    r = testsupport::runProcess(kAdmin, {"check", dir.file("farmer.dbf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("problem: FARMER.NTX: key differs from its expression: record 1"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("1 problem found"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::runProcess(kAdmin, {"check", dir.file("NOSUCH")}).exitCode, 1);
}

TEST(CsvParse, ReadsRfc4180AndRejectsWhatItCannotRead)
{
    using Rows = std::vector<std::vector<std::string>>;
    // The text, its rows (header first), the refusal's text (or null), where each row starts (when given).
    const std::tuple<const char*, Rows, const char*, std::vector<std::size_t>> cases[] = {
        {"A,B\n1,2\n", {{"A", "B"}, {"1", "2"}}, nullptr, {}},
        {"A,B\r\n1,2\r\n3,\r\n", {{"A", "B"}, {"1", "2"}, {"3", ""}}, nullptr, {}},
        {"\xEF\xBB\xBF" "A\nx", {{"A"}, {"x"}}, nullptr, {}},
        {"A,B\n\"a,b\",\"say \"\"hi\"\"\"\n", {{"A", "B"}, {"a,b", "say \"hi\""}}, nullptr, {}},
        {"A\n\"two\nlines\"\n\n\nz\n", {{"A"}, {"two\nlines"}, {"z"}}, nullptr, {2, 6}},
        {"A\n\"\"\n", {{"A"}, {""}}, nullptr, {}},
        {"A\n\"x\"y\n", {}, "line 2: text after the closing quote", {}},
        {"A\nx\"y\n", {}, "line 2: a quote inside a value", {}},
        {"A\n1\n\"open\n", {}, "line 3: a quoted value is never closed", {}},
        {"A\rB\n", {}, "line 1: a carriage return", {}},
        {"", {}, "no header line", {}},
    };
    for (const auto& [text, rows, error, lines] : cases) {
        csv::Document doc;
        const Status s = csv::parse(text, &doc);
        if (error) {
            EXPECT_TRUE(s.is(Status::Code::InvalidArgument) && s.message().find(error) != std::string::npos)
                << text << ": " << s.toString();
            continue;
        }
        ASSERT_TRUE(s.ok()) << text << ": " << s.toString();
        Rows got{doc.header};
        got.insert(got.end(), doc.rows.begin(), doc.rows.end());
        EXPECT_EQ(got, rows) << text;
        if (!lines.empty()) {
            EXPECT_EQ(doc.lines, lines) << text;
        }
    }
}

TEST(CsvRecords, EachValueIsStoredExactlyOrRefusedAndShapeProblemsNameTheirPlace)
{
    Layout layout;
    ASSERT_OK(Layout::fromSpecs({{"NAME", FieldType::Character, 5, 0},
                                 {"AMOUNT", FieldType::Numeric, 8, 2},
                                 {"DAY", FieldType::Date, 0, 0},
                                 {"OK", FieldType::Logical, 0, 0}},
                                &layout));
    // The column, the value, the field's bytes in UTF-8 (null: refused), the refusal's text.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"NAME", "ABC", "ABC  ", nullptr},
        {"NAME", "ABC      ", "ABC  ", nullptr},
        {"NAME", "ก ขค", "ก ขค ", nullptr},
        {"NAME", "ABCDEF", nullptr, "longer than the field's 5"},
        {"NAME", "€", nullptr, "TIS-620"},
        {"NAME", "\xC3", nullptr, "not UTF-8"},
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
    for (const auto& [column, value, stored, error] : cases) {
        csv::Document doc;
        ASSERT_OK(csv::parse(std::string("RECNO,DELETED,") + column + "\n7,*,\"" + value + "\"\n", &doc));
        std::vector<std::string> records;
        const Status s = csv::toRecords(doc, layout, &records);
        if (!stored) {
            const std::string place = "line 2, column 3 (" + std::string(column) + ")";
            EXPECT_TRUE(s.is(Status::Code::InvalidArgument) && s.message().find(place) != std::string::npos &&
                        s.message().find(error) != std::string::npos)
                << value << ": " << s.toString();
            continue;
        }
        ASSERT_TRUE(s.ok()) << column << " " << value << ": " << s.toString();
        ASSERT_EQ(records.size(), 1u);
        const Field& f = layout.fields()[std::size_t(layout.find(column))];
        EXPECT_EQ(records[0].substr(f.offset, f.length), core::tis620::fromUtf8(stored)) << value;
        // Record-number and flag columns are ignored: the record is live.
        EXPECT_EQ(records[0][0], ' ');
    }
    // Header and row shapes: the place named. Columns left out are blank.
    for (const auto& [text, error] : {std::pair{"NAME,COLOUR\nA,red\n", "line 1, column 2: \"COLOUR\" is not a field"},
                                      {"NAME,name\nA,B\n", "line 1, column 2: \"name\" is given twice"},
                                      {"NAME\nA\nB,C\n", "line 3: 2 values, the header names 1"}}) {
        csv::Document doc;
        ASSERT_OK(csv::parse(text, &doc));
        std::vector<std::string> records;
        const Status s = csv::toRecords(doc, layout, &records);
        EXPECT_NE(s.message().find(error), std::string::npos) << s.message();
    }
    csv::Document doc;
    ASSERT_OK(csv::parse("ok\nT\n", &doc));
    std::vector<std::string> records;
    ASSERT_OK(csv::toRecords(doc, layout, &records));
    EXPECT_EQ(records[0], std::string(1 + 5 + 8 + 8, ' ') + "T");
}
