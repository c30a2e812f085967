#include "maintenance/maintenance_tables.h"

#include "core/tis620.h"
#include "core/xbase.h"

namespace maintenance {
namespace {

using M = DateMode;

constexpr TransactionTable kTransactions[] = {
    {"Wdata1", '1', M::Weighing, "ข้อมูลการชั่งรับเข้า", "ข้อมูลการชั่งรับเข้า", "ข้อมูลการชั่งรับเข้า"},
    {"Wdata2", '2', M::Weighing, "ข้อมูลการชั่งส่งคืน", "ข้อมูลการชั่งส่งคืน", "ข้อมูลการชั่งส่งคืน"},
    {"Wdata3", '3', M::Weighing, "ข้อมูลการชั่งส่งออก", "ข้อมูลการชั่งส่งของ", "ข้อมูลการชั่งส่งของ"},
    {"Wdata4", '4', M::Weighing, "ข้อมูลการชั่งรับคืน", "ข้อมูลการชั่งรับคืน", "ข้อมูลการชั่งรับคืน"},
    {"Wdata5", '5', M::Weighing, "ข้อมูลการรับจ้างชั่ง", "ข้อมูลการรับจ้างชั่ง", "ข้อมูลการรับจ้างชั่ง"},
    {"Money1", '6', M::Document, "ข้อมูลการจ่ายเงิน", "ข้อมูลการจ่ายเงิน", "ข้อมูลการจ่ายเงิน"},
    {"Money2", '7', M::Document, "ข้อมูลการรับเงิน", "ข้อมูลการรับเงิน", "ข้อมูลการรับเงิน"},
    {"Money3", '8', M::Document, "ข้อมูลการให้ยืมเงิน", "ข้อมูลการให้ยืมเงิน", "ข้อมูลการให้ยืมเงิน"},
    {"Money4", '9', M::Document, "ข้อมูลการขอยืมเงิน", "ข้อมูลการขอยืมเงิน", "ข้อมูลการขอยืมเงิน"},
    {"Stock1", 'A', M::Document, "ข้อมูลการผลิตสินค้า", "ข้อมูลการผลิตสินค้า", "ข้อมูลการปรับปรุง"},
    {"Detail1", 'B', M::Line, "รายการจ่ายเงิน", "รายการจ่ายเงิน", "รายการจ่ายเงิน"},
    {"Detail2", 'C', M::Line, "รายการรับเงิน", "รายการรับเงิน", "รายการรับเงิน"},
    {"Detail3", 'D', M::Line, "รายการผลิตสินค้า", "รายการผลิตสินค้า", "รายการผลิตสินค้า"},
};

constexpr TransactionTable kEvidence = {"EVIDENCE", 'E', M::Whole, "หลักฐานการชั่งน้ำหนัก", "", ""};

constexpr WholeTable kLedgers[] = {
    {"Stock", "ข้อมูลยอดบัญชีสินค้า"},
    {"ApAcc", "ข้อมูลยอดบัญชีผู้ขาย"},
    {"ArAcc", "ข้อมูลยอดบัญชีลูกค้า"},
    {"OrAcc", "ข้อมูลใบสั่งซื้อ"},
};

constexpr WholeTable kCodeTables[] = {
    {"Farmer", "ตารางรหัสผู้ขาย"},      {"Company", "ตารางรหัสลูกค้า"},    {"Product", "ตารางรหัสสินค้า"},
    {"Employee", "ตารางรหัสพนักงาน"},   {"WHouse", "ตารางรหัสคลังสินค้า"}, {"Unit", "ตารางรหัสหน่วยนับ"},
    {"TruckDt", "ตารางรหัสทะเบียนรถ"}, {"Moisture", "ตารางรหัสความชื้น"}, {"Mixture", "ตารางรหัสสิ่งเจือปน"},
    {"Quality", "ตารางรหัสคุณภาพ"},     {"Consec", "ตารางรหัสเลขลำดับ"},  {"Replist", "ตารางรหัสรายงาน"},
};

constexpr std::size_t kMaxBackupName = 7;

}  // namespace

const char* dateField(DateMode mode)
{
    switch (mode) {
    case DateMode::Weighing: return "DAYIN";
    case DateMode::Document: return "DATE";
    case DateMode::Line: return "DOC_DATE";
    case DateMode::Whole: break;
    }
    return "";
}

std::span<const TransactionTable> transactionTables()
{
    return kTransactions;
}

const TransactionTable& evidenceTable()
{
    return kEvidence;
}

std::span<const WholeTable> ledgerTables()
{
    return kLedgers;
}

std::span<const WholeTable> codeTables()
{
    return kCodeTables;
}

std::string checkBackupName(std::string_view name, std::string* why)
{
    // The name becomes part of file names in the backup folder: a separator, a "." or a drive
    // letter's ":" would let it name a file elsewhere, so only letters and digits pass.
    bool ok = !name.empty() && name.size() <= kMaxBackupName;
    for (std::size_t i = 0; ok && i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    if (!ok) {
        if (why)
            *why = core::tis620::T("ชื่อแฟ้มสำเนาต้องเป็นตัวอักษรภาษาอังกฤษหรือตัวเลข 1 ถึง 7 ตัว");
        return {};
    }
    const std::string upper = core::xbase::upper(name);
    // The backup folder also holds the ledgers and the code tables under their own names: a name
    // whose transaction copy would be one of those files ("APAC" + 'C' = APACC.DBF) would have one
    // copy overwrite another in the same run.
    std::vector<TransactionTable> copies(std::begin(kTransactions), std::end(kTransactions));
    copies.push_back(kEvidence);
    for (const TransactionTable& t : copies) {
        const std::string file = upper + t.suffix;
        for (const auto& whole : {std::span<const WholeTable>(kLedgers), std::span<const WholeTable>(kCodeTables)}) {
            for (const WholeTable& w : whole) {
                if (!core::xbase::equalsNoCase(file, w.table))
                    continue;
                if (why)
                    *why = core::tis620::T("ชื่อแฟ้มสำเนา ") + upper + core::tis620::T(" ทำให้แฟ้ม ") + file +
                           core::tis620::T(".DBF ซ้ำกับแฟ้มสำเนาของ ") + core::xbase::upper(w.table);
                return {};
            }
        }
    }
    return upper;
}

std::string backupFileName(std::string_view backupName, const TransactionTable& t)
{
    std::string out(backupName);
    out += t.suffix;
    out += ".DBF";
    return out;
}

const char* groupCaption(storage::TableGroup group)
{
    switch (group) {
    case storage::TableGroup::Weighing: return "ข้อมูลบันทึกการชั่ง";
    case storage::TableGroup::Money: return "ข้อมูลรับ/จ่าย/ผลิต";
    case storage::TableGroup::Balances: return "ข้อมูลยอดบัญชีต่างๆ";
    case storage::TableGroup::Codes: return "ข้อมูลตารางรหัสต่างๆ";
    }
    return "";
}

std::vector<ReindexEntry> reindexList()
{
    // The catalogue lists the tables in the reindex's order and each table's index files in its
    // own order, with the keys the reindex builds.
    std::vector<ReindexEntry> out;
    for (const storage::TableDef& t : storage::catalogue())
        for (const storage::IndexDef& ix : t.indexes)
            out.push_back({&t, &ix});
    return out;
}

namespace {

Progress g_nothingShown;  // Progress's own members show nothing

}  // namespace

JobSteps::JobSteps(Progress* progress, const std::string& title) : m_progress(progress ? *progress : g_nothingShown)
{
    m_progress.begin(title);
}

void JobSteps::run(const std::string& name, const std::function<StepResult()>& step)
{
    m_progress.step(name);
    m_results.push_back(step());
    m_progress.finished(m_results.back());
}

std::vector<StepResult> JobSteps::finish()
{
    m_progress.end();
    return std::move(m_results);
}

}  // namespace maintenance
