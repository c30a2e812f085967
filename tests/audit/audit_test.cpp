// AUDITADD and the rows a reversal writes: which fields of which kinds, numbers and dates as text,
// the CAUDITR switch, the key, staff and time (a deletion's and a reprint's rows: where they are made).
#include <gtest/gtest.h>

#include "audit_log_fixture.h"
#include "expr/contexts.h"
#include "storage/ops.h"
#include "storage/table_csv.h"

namespace {

using audittest::Strings;
using core::Value;
using core::tis620::T;

// A row of the log as OPER1 writes it on 5 December 2026 at 08:00:00: "DATE|TIME|TICKET|STAFF|
// DESCRIP|OLDDATA|NEWDATA".
std::string row(const std::string& label, const std::string& before, const std::string& after,
                const std::string& key = "TRK01-000123")
{
    return "20261205|08:00:00|" + key + "|OPER1|" + label + "|" + before + "|" + after;
}

// Ticket 000123 of the purchases stored and shown on the screen, the log switched on for OPER1.
class AuditTest : public audittest::AuditLogTest {
protected:
    void SetUp() override
    {
        AuditLogTest::SetUp();
        core::programSettings().setText("CUSER", "OPER1");
        core::programSettings().setText("CAUDITR", "Y");
        for (const char* name : {"Wdata1", "Money1", "Detail1"})
            create(name);
        ASSERT_TRUE(audit::openAudit(ws));
        ASSERT_TRUE(storage::OPENTRK(ws, folder(), "Wdata1", "wdata"));
        storage::Table& t = *ws.current();
        append(t, "TICKET,TRUCK,COMPANY,PRODUCT,WHOUSE,UNIT,MOISTURE,MIXTURE,QUALITY,REMARK1,DAYIN,TMIN,WIN,DAYOUT,"
                  "TMOUT,WOUT,PRICE,RATE,AMOUNT,CASH\n"
                  "000123,70-1234,F001,P001,W01,KG,M15,X0,Q1,ข้าวหอมมะลิ,20261201,07:30:00,15140,20261201,08:10:00,"
                  "4250,12.5,1,136125,136125\n");
        // The screen shows the stored ticket: every field F as cF, the counterpart's code under
        // both names, texts without the field's blanks.
        for (const auto& f : t.layout().fields()) {
            Value v;
            ASSERT_TRUE(t.get(f.name, &v).ok());
            screen.set("c" + f.name, v.isText() ? Value::text(core::xbase::rtrim(v.asText())) : v);
        }
        screen.setText("cFarmer", "F001");
        screen.setText("cCompany", "F001");
    }
    void TearDown() override
    {
        (void)ws.closeAll();
        AuditLogTest::TearDown();
    }

    // A record appended to a table of the work areas (UTF-8 CSV with a header line) and made current.
    static void append(storage::Table& t, const std::string& csv)
    {
        storage::csv::Document doc;
        std::vector<std::string> records;
        ASSERT_TRUE(storage::csv::parse(csv, &doc).ok());
        ASSERT_TRUE(storage::csv::toRecords(doc, t.layout(), &records).ok());
        ASSERT_TRUE(storage::csv::appendRecords(t, records).ok());
        ASSERT_TRUE(t.goBottom().ok());
    }

    // The rows the reversal of a kind adds to the log; it must say how many it wrote.
    Strings reversal(const char* kind)
    {
        const std::size_t before = logRows().size();
        const int written = audit::auditReversal(ws, kind, screen);
        const Strings all = logRows();
        EXPECT_EQ(all.size(), before + std::size_t(written));
        return all.size() < before ? all : Strings(all.begin() + long(before), all.end());
    }

    storage::Workspace ws;
    core::ValueMap screen;
};

TEST_F(AuditTest, EachKindsFieldsAreComparedAsTheirTextsWhenSwitchedOn)
{
    const struct {
        const char* kind;
        const char* value;
        Value changed;
        const char* label;
        std::string before, after;
    } cases[] = {
        {"TRK01", "cTruck", Value::text("81-5678"), "ทะเบียนรถ", "70-1234", "81-5678"},
        // In the field's own width: an amount of ten million and more is no row of stars.
        {"TRK01", "cAmount", Value::number(12345678.9, 2), "จำนวนเงิน", "   136125.00", " 12345678.90"},
        {"TRK01", "cWin", Value::number(15160, 0), "นน.ชั่งเข้า", "  15140.00", "  15160.00"},
        {"TRK01", "cDayOut", Value::date(core::Date::fromYmd(2026, 12, 2)), "วันที่ชั่งออก", "01/12/2026",
         "02/12/2026"},
        {"TRK01", "cAmount", Value::number(136125.004, 3), nullptr, "", ""},  // the same at two decimals: no row
        // A remark longer than the log's field: the row says it was cut.
        {"TRK01", "cRemark1", Value::text(T("ข้าวหอมมะลิ") + std::string(40, '-') + "1"), "หมายเหตุ 1",
         "ข้าวหอมมะลิ", "ข้าวหอมมะลิ" + std::string(26, '-') + "..."},
        // Each kind compares the fields it lists, and only those.
        {"TRK02", "cMoisture", Value::text("M25"), "ค่าความชื้น", "M15", "M25"},
        {"TRK03", "cMoisture", Value::text("M25"), nullptr, "", ""},
        {"TRK03", "cRemark4", Value::text("SO-1"), "หมายเหตุ 4", "", "SO-1"},
        {"TRK05", "cProduct", Value::text("P002"), nullptr, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.value);
        const Value stored = screen.get(c.value);
        screen.set(c.value, c.changed);
        EXPECT_EQ(reversal(c.kind),
                  c.label ? Strings{row(c.label, c.before, c.after, std::string(c.kind) + "-000123")} : Strings{});
        EXPECT_EQ(ws.currentAlias(), "wdata");
        screen.set(c.value, stored);
    }
    // "Y" in either case switches the rows on, anything else off.
    screen.setText("cTruck", "81-5678");
    for (const auto& [setting, on] : {std::pair{"y ", true}, std::pair{"N", false}}) {
        SCOPED_TRACE(setting);
        core::programSettings().setText("CAUDITR", setting);
        EXPECT_EQ(reversal("TRK01"), on ? Strings{row("ทะเบียนรถ", "70-1234", "81-5678")} : Strings{});
    }
    // A deletion mark and a reprint are logged with the switch off too, and leave the work area
    // their caller had selected (its rows are checked where they are made).
    ASSERT_TRUE(audit::auditDeletion(ws, "TRK01", true));
    ASSERT_TRUE(audit::auditReprint(ws, "Ticket12", "000123", 3));
    EXPECT_EQ(ws.currentAlias(), "wdata");
}

TEST(AuditValues, ALongTextIsCutWithAMarkAndShowsWhereItChanged)
{
    const std::string head(45, 'A');
    // Before, after, and the two as shown in a field of 40.
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"RICE", "CORN", "RICE", "CORN"},
        // A change within the first 37 characters: both from the start, the cut end marked.
        {"X" + head, "Y" + head, "X" + head.substr(0, 36) + "...", "Y" + head.substr(0, 36) + "..."},
        // A change at character 46: shown from a little before it, both ends marked where cut.
        {head + "OLD", head + "NEW", "..." + head.substr(0, 10) + "OLD", "..." + head.substr(0, 10) + "NEW"},
        {head + "OLD" + head, head + "NEW", "..." + head.substr(0, 10) + "OLD" + head.substr(0, 21) + "...",
         "..." + head.substr(0, 10) + "NEW"},
    };
    for (const auto& [before, after, oldShown, newShown] : cases)
        EXPECT_EQ(audit::auditValues(before, after, 40), std::pair(oldShown, newShown)) << before;
}

TEST_F(AuditTest, VoucherLinesAreKeyedByTheirVoucher)
{
    ASSERT_TRUE(storage::OPEN(ws, folder(), "Money1", "DTOS(DATE)+TICKET", false, "Money1", "Money1", "wdata"));
    append(*ws.current(), "TICKET,DATE\n000007,20261203\n");
    ASSERT_TRUE(storage::OPEN(ws, folder(), "Detail1", "INDENT+RECORD", false, "Detail1", "Detail1", "detail"));
    append(*ws.current(), "AMOUNT,TYPE\n500,REC\n");
    screen.set("cdAmount", Value::number(750, 2));
    screen.setText("cdType", "REC");
    screen.setText("cdTicket", "");
    screen.set("cdDate", Value::date({}));
    screen.setText("cdTime", "");
    // A line written before its voucher was numbered and dated.
    EXPECT_EQ(reversal("MON_1"), (Strings{row("จำนวนเงิน", "      500.00", "      750.00", "MON_1-000007"),
                                          row("เลขเอกสาร", "", "000007", "MON_1-000007"),
                                          row("วันที่เอกสาร", "  /  /", "03/12/2026", "MON_1-000007")}));
    EXPECT_EQ(ws.currentAlias(), "detail");
}

TEST_F(AuditTest, AUDITADDComparesWithoutTrailingBlanksAndOpensTheLog)
{
    (void)ws.close("Audit");
    expr::VariablesContext values;
    values.set("a", Value::text("ABC   "));
    values.set("b", Value::text("ABC"));
    values.set("c", Value::text("ABD"));
    // The key, the old and new values' names, the kinds logged, whether a row is written.
    const std::tuple<const char*, const char*, const char*, const char*, bool> cases[] = {
        {"TRK01-000001", "a", "b", "TRK01", false},     {"TRK01-000001", "a", "c", "TRK01", true},
        {"TRK01-000001", "a", "c", "TRK02,TRK03", false}, {"trk03-000001", "a", "c", "TRK02, TRK03", true},
        {"TRK0", "a", "c", "TRK01", false},
    };
    for (const auto& [key, oldValue, newValue, kinds, written] : cases)
        EXPECT_EQ(audit::AUDITADD(ws, values, key, oldValue, newValue, "x", kinds), written) << key << " " << kinds;
    EXPECT_EQ(logRows().size(), 2u);
    EXPECT_NE(ws.find("Audit"), nullptr);
}

}  // namespace
