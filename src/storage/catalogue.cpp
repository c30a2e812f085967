#include "storage/catalogue.h"

#include <stdexcept>

#include "core/xbase.h"
#include "storage/table.h"

namespace storage {
namespace {

// Widths left to each site's installation, fixed once here:
// - names, addresses, remarks and drivers take 60 characters (a Thai company name with its legal
//   form fits; screens scroll the entry when it is longer than the box);
// - money is N 12,2 on documents (999,999,999.99 and no more: a larger value is refused at save),
//   N 14,2 on ledgers and order totals, which add up many documents and may go negative;
// - weights N 10,2 (999,999.99 kg with room for a sign), quantities N 12,2, prices and rates
//   N 12,3 / N 10,3, grade deductions per ton N 8,2, a truck's own weight N 6 (whole kg);
// - cheque numbers 20, bank names 40, audit labels 30, audit values 40 characters.
constexpr int kName = 60;
constexpr int kAddress = 60;
constexpr int kRemark = 60;
constexpr int kChequeNo = 20;
constexpr int kBank = 40;
constexpr int kDescrip = 30;
constexpr int kAuditValue = 40;
constexpr int kMoney = 12;
constexpr int kBalance = 14;
constexpr int kWeight = 10;
constexpr int kQty = 12;
constexpr int kLineQty = 12;
constexpr int kPrice = 12;
constexpr int kRate = 10;
constexpr int kUnitPrice = 10;
constexpr int kGradeWeight = 8;
constexpr int kTruckWeight = 6;
constexpr int kOrderWeight = 12;
constexpr int kRunningNumber = 10;

constexpr FieldDef kWeighingFields[] = {
    {"TICKET", 'C', 6, 0},
    {"STAT", 'C', 1, 0},
    {"TRUCK", 'C', 10, 0},
    {"COMPANY", 'C', 10, 0},
    {"PRODUCT", 'C', 10, 0},
    {"WHOUSE", 'C', 10, 0},
    {"UNIT", 'C', 10, 0},
    {"MOISTURE", 'C', 10, 0},
    {"MIXTURE", 'C', 10, 0},
    {"QUALITY", 'C', 10, 0},
    {"REMARK1", 'C', kRemark, 0},
    {"REMARK2", 'C', kRemark, 0},
    {"REMARK3", 'C', kRemark, 0},
    {"REMARK4", 'C', kRemark, 0},
    {"ADJ_W1", 'N', kWeight, 2},
    {"ADJ_W2", 'N', kWeight, 2},
    {"ADJ_W3", 'N', kWeight, 2},
    {"ADJ_M1", 'N', kMoney, 2},
    {"ADJ_M2", 'N', kMoney, 2},
    {"ADJ_M3", 'N', kMoney, 2},
    {"DAYIN", 'D', 8, 0},
    {"TMIN", 'C', 8, 0},
    {"WIN", 'N', kWeight, 2},
    {"DAYOUT", 'D', 8, 0},
    {"TMOUT", 'C', 8, 0},
    {"WOUT", 'N', kWeight, 2},
    {"PRICE", 'N', kPrice, 3},
    {"RATE", 'N', kRate, 3},
    {"QTY", 'N', kQty, 2},
    {"AMOUNT", 'N', kMoney, 2},
    {"CASH", 'N', kMoney, 2},
    {"DRCR", 'N', kMoney, 2},
    {"CHEQUE", 'N', kMoney, 2},
    {"CHQ_NO", 'C', kChequeNo, 0},
    {"CHQ_BANK", 'C', kBank, 0},
    {"CLEAR", 'N', kMoney, 2},
    {"ACCOUNT", 'C', 1, 0},
    {"PRINT", 'N', 2, 0},
    {"STAFF", 'C', 10, 0},
};

constexpr FieldDef kMoneyFields[] = {
    {"TICKET", 'C', 6, 0},
    {"DATE", 'D', 8, 0},
    {"COMPANY", 'C', 10, 0},
    {"REMARK1", 'C', kRemark, 0},
    {"REMARK2", 'C', kRemark, 0},
    {"REMARK3", 'C', kRemark, 0},
    {"AMOUNT", 'N', kMoney, 2},
    {"CASH", 'N', kMoney, 2},
    {"DRCR", 'N', kMoney, 2},
    {"CHEQUE", 'N', kMoney, 2},
    {"CHQ_NO", 'C', kChequeNo, 0},
    {"CHQ_BANK", 'C', kBank, 0},
    {"INDENT", 'C', 15, 0},
    {"PRINT", 'N', 2, 0},
    {"STAFF", 'C', 10, 0},
};

constexpr FieldDef kVoucherLineFields[] = {
    {"INDENT", 'C', 15, 0},
    {"RECORD", 'C', 15, 0},
    {"DOC_NO", 'C', 6, 0},
    {"DOC_DATE", 'D', 8, 0},
    {"COMPANY", 'C', 10, 0},
    {"TYPE", 'C', 3, 0},
    {"TICKET", 'C', 6, 0},
    {"DATE", 'D', 8, 0},
    {"TIME", 'C', 8, 0},
    {"AMOUNT", 'N', kMoney, 2},
};

constexpr FieldDef kProductionFields[] = {
    {"TICKET", 'C', 6, 0},
    {"DATE", 'D', 8, 0},
    {"REMARK1", 'C', kRemark, 0},
    {"REMARK2", 'C', kRemark, 0},
    {"REMARK3", 'C', kRemark, 0},
    {"INDENT", 'C', 15, 0},
    {"PRINT", 'N', 2, 0},
    {"STAFF", 'C', 10, 0},
};

constexpr FieldDef kProductionLineFields[] = {
    {"INDENT", 'C', 15, 0},
    {"RECORD", 'C', 15, 0},
    {"DOC_NO", 'C', 6, 0},
    {"DOC_DATE", 'D', 8, 0},
    {"CODE", 'C', 10, 0},
    {"WHOUSE", 'C', 10, 0},
    {"UNIT", 'C', 10, 0},
    {"QTY", 'N', kLineQty, 3},
};

constexpr FieldDef kStockFields[] = {
    {"CODE", 'C', 10, 0},
    {"WHOUSE", 'C', 10, 0},
    {"BALANCE", 'N', kBalance, 2},
    {"BEGIN", 'N', kBalance, 2},
};

constexpr FieldDef kAccountFields[] = {
    {"CODE", 'C', 10, 0},
    {"BALANCE", 'N', kBalance, 2},
    {"BORROW", 'N', kBalance, 2},
    {"BEGIN", 'N', kBalance, 2},
    {"BBEGIN", 'N', kBalance, 2},
};

constexpr FieldDef kOrderFields[] = {
    {"CODE", 'C', 10, 0},
    {"COMPANY", 'C', 10, 0},
    {"PRODUCT", 'C', 10, 0},
    {"DATE", 'D', 8, 0},
    {"PRICE", 'N', kPrice, 2},
    {"ORWEIGHT", 'N', kOrderWeight, 2},
    {"ORAMOUNT", 'N', kBalance, 2},
    {"WEIGHT", 'N', kOrderWeight, 2},
    {"AMOUNT", 'N', kBalance, 2},
};

constexpr FieldDef kAuditFields[] = {
    {"DATE", 'D', 8, 0},
    {"TIME", 'C', 8, 0},
    {"TICKET", 'C', 12, 0},
    {"STAFF", 'C', 10, 0},
    {"DESCRIP", 'C', kDescrip, 0},
    {"OLDDATA", 'C', kAuditValue, 0},
    {"NEWDATA", 'C', kAuditValue, 0},
};

constexpr FieldDef kPartyFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"ADDR1", 'C', kAddress, 0},
    {"ADDR2", 'C', kAddress, 0},
    {"ADDR3", 'C', kAddress, 0},
    {"REMARK1", 'C', kRemark, 0},
    {"REMARK2", 'C', kRemark, 0},
    {"REMARK3", 'C', kRemark, 0},
};

constexpr FieldDef kProductFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"UNIT1", 'C', 10, 0},
    {"UNIT2", 'C', 10, 0},
    {"UNIT3", 'C', 10, 0},
    {"PRICE1", 'N', kUnitPrice, 3},
    {"PRICE2", 'N', kUnitPrice, 3},
    {"PRICE3", 'N', kUnitPrice, 3},
    {"REMARKS", 'C', kRemark, 0},
};

constexpr FieldDef kEmployeeFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"PASS_W", 'C', 6, 0},
    {"TRUSTEE", 'C', 42, 0},
};

constexpr FieldDef kWarehouseFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"REMARKS", 'C', kRemark, 0},
};

constexpr FieldDef kUnitFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"RATE", 'N', kRate, 3},
    {"REMARKS", 'C', kRemark, 0},
};

constexpr FieldDef kTruckFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"DRIVER", 'C', kName, 0},
    {"WEIGHT", 'N', kTruckWeight, 0},
    {"REMARKS", 'C', kRemark, 0},
};

constexpr FieldDef kGradeFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"WEIGHT", 'N', kGradeWeight, 2},
    {"PRICE", 'N', kPrice, 3},
    {"REMARKS", 'C', kRemark, 0},
};

constexpr FieldDef kConsecFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
    {"CSNO", 'N', kRunningNumber, 0},
    {"REMARKS", 'C', kRemark, 0},
};

constexpr FieldDef kCodeNameFields[] = {
    {"CODE", 'C', 10, 0},
    {"NAME", 'C', kName, 0},
};

constexpr FieldDef kTicketSelectionFields[] = {
    {"Type", 'C', 3, 0},
    {"Check", 'C', 1, 0},
    {"Ticket", 'C', 6, 0},
    {"Date", 'D', 8, 0},
    {"Time", 'C', 8, 0},
    {"Total", 'N', 12, 2},
    {"DrCr", 'N', 12, 2},
    {"Amount", 'N', 12, 2},
};

constexpr FieldDef kTemplateFields[] = {
    {"Code", 'C', 200, 0},
};

constexpr FieldDef kMovementFields[] = {
    {"TYPE", 'C', 10, 0},
    {"DATE", 'D', 8, 0},
    {"TICKET", 'C', 6, 0},
    {"COMPANY", 'C', 10, 0},
    {"FARMER", 'C', 10, 0},
    {"PRODUCT", 'C', 10, 0},
    {"WHOUSE", 'C', 10, 0},
    {"UNIT", 'C', 10, 0},
    {"QTY", 'N', 12, 2},
    {"CASH", 'N', 12, 2},
    {"DRCR", 'N', 12, 2},
    {"CHEQUE", 'N', 12, 2},
    {"BORROW", 'N', 12, 2},
};

constexpr FieldDef kBalanceSummaryFields[] = {
    {"CODE", 'C', 10, 0},
    {"DESCRIPT", 'C', 80, 0},
    {"CASH", 'N', 12, 2},
    {"DRCR", 'N', 12, 2},
    {"CHEQUE", 'N', 12, 2},
    {"QTY", 'N', 12, 2},
    {"BALANCE", 'N', 12, 2},
    {"BORROW", 'N', 12, 2},
};


#define WEIGHING_INDEXES(n) \
    constexpr IndexDef kWdata##n##Indexes[] = { \
        {"WDATA" #n, "STAT+TRUCK"}, {"WDATA" #n "2", "DTOS(DAYIN)+TMIN+TICKET"}, {"WDATA" #n "3", "COMPANY+ACCOUNT"}};
WEIGHING_INDEXES(1)
WEIGHING_INDEXES(2)
WEIGHING_INDEXES(3)
WEIGHING_INDEXES(4)
WEIGHING_INDEXES(5)
#undef WEIGHING_INDEXES

constexpr IndexDef kMoney1Indexes[] = {{"Money1", "DTOS(DATE)+TICKET"}};
constexpr IndexDef kMoney2Indexes[] = {{"Money2", "DTOS(DATE)+TICKET"}};
constexpr IndexDef kMoney3Indexes[] = {{"Money3", "DTOS(DATE)+TICKET"}};
constexpr IndexDef kMoney4Indexes[] = {{"Money4", "DTOS(DATE)+TICKET"}};
constexpr IndexDef kStock1Indexes[] = {{"Stock1", "DTOS(DATE)+TICKET"}};
constexpr IndexDef kDetail1Indexes[] = {{"Detail1", "INDENT+RECORD"}};
constexpr IndexDef kDetail2Indexes[] = {{"Detail2", "INDENT+RECORD"}};
constexpr IndexDef kDetail3Indexes[] = {{"Detail3", "INDENT+RECORD"}};
constexpr IndexDef kAuditIndexes[] = {{"Audit", "DTOS(DATE)+TIME"}};
constexpr IndexDef kStockIndexes[] = {{"Stock", "CODE+WHOUSE"}};
constexpr IndexDef kApAccIndexes[] = {{"ApAcc", "CODE"}};
constexpr IndexDef kArAccIndexes[] = {{"ArAcc", "CODE"}};
constexpr IndexDef kOrAccIndexes[] = {{"OrAcc", "COMPANY+PRODUCT+CODE"}};
#define CODE_INDEX(t) constexpr IndexDef k##t##Indexes[] = {{#t, "CODE"}};
CODE_INDEX(Farmer)
CODE_INDEX(Company)
CODE_INDEX(Product)
CODE_INDEX(Employee)
CODE_INDEX(WHouse)
CODE_INDEX(Unit)
CODE_INDEX(TruckDt)
CODE_INDEX(Moisture)
CODE_INDEX(Mixture)
CODE_INDEX(Quality)
CODE_INDEX(Consec)
CODE_INDEX(Replist)
CODE_INDEX(LOGGER)
#undef CODE_INDEX

using G = TableGroup;

// In the order file maintenance reindexes them: weighing, money, balances, code tables.
const TableDef kTables[] = {
    {"Wdata1", "CDRV2", kWdata1Indexes, "ข้อมูลการชั่งรับเข้า", "Wdata1", kWeighingFields, G::Weighing, false},
    {"Wdata2", "CDRV2", kWdata2Indexes, "ข้อมูลการชั่งส่งคืน", "Wdata2", kWeighingFields, G::Weighing, false},
    {"Wdata3", "CDRV2", kWdata3Indexes, "ข้อมูลการชั่งส่งออก", "Wdata3", kWeighingFields, G::Weighing, false},
    {"Wdata4", "CDRV2", kWdata4Indexes, "ข้อมูลการชั่งรับคืน", "Wdata4", kWeighingFields, G::Weighing, false},
    {"Wdata5", "CDRV2", kWdata5Indexes, "ข้อมูลการรับจ้างชั่ง", "Wdata5", kWeighingFields, G::Weighing, false},
    {"Money1", "CDRV2", kMoney1Indexes, "ข้อมูลบันทึกการจ่ายเงิน", "ข้อมูลการจ่ายเงิน", kMoneyFields, G::Money, false},
    {"Money2", "CDRV2", kMoney2Indexes, "ข้อมูลบันทึกการรับเงิน", "ข้อมูลการรับเงิน", kMoneyFields, G::Money, false},
    {"Money3", "CDRV2", kMoney3Indexes, "ข้อมูลบันทึกการให้กู้เงิน", "ข้อมูลการให้ยืมเงิน", kMoneyFields, G::Money, false},
    {"Money4", "CDRV2", kMoney4Indexes, "ข้อมูลบันทึกการขอกู้เงิน", "ข้อมูลการขอยืมเงิน", kMoneyFields, G::Money, false},
    {"Stock1", "CDRV2", kStock1Indexes, "ข้อมูลบันทึกการผลิต", "ข้อมูลบันทึกการผลิต", kProductionFields, G::Money, false},
    {"Detail1", "CDRV2", kDetail1Indexes, "รายการบันทึกการจ่ายเงิน", "รายการบันทึกการจ่ายเงิน", kVoucherLineFields, G::Money, false},
    {"Detail2", "CDRV2", kDetail2Indexes, "รายการบันทึกการรับเงิน", "รายการบันทึกการรับเงิน", kVoucherLineFields, G::Money, false},
    {"Detail3", "CDRV2", kDetail3Indexes, "รายการบันทึกการผลิต", "รายการบันทึกการผลิต", kProductionLineFields, G::Money, false},
    {"Audit", "CDRV2", kAuditIndexes, "บันทึกการแก้ไข", "บันทึกการแก้ไข", kAuditFields, G::Balances, false},
    {"Stock", "CDRV2", kStockIndexes, "ข้อมูลบันทึกยอดสินค้า", "Stock", kStockFields, G::Balances, false},
    {"ApAcc", "CDRV2", kApAccIndexes, "ข้อมูลบันทึกยอดผู้ขาย", "ApAcc", kAccountFields, G::Balances, false},
    {"ArAcc", "CDRV2", kArAccIndexes, "ข้อมูลบันทึกยอดลูกค้า", "ArAcc", kAccountFields, G::Balances, false},
    {"OrAcc", "CDRV2", kOrAccIndexes, "ข้อมูลบันทึกใบสั่งซื้อ", "OrAcc", kOrderFields, G::Balances, false},
    {"Farmer", "CDRV1", kFarmerIndexes, "ตารางรหัสผู้ขาย", "Farmer", kPartyFields, G::Codes, false},
    {"Company", "CDRV1", kCompanyIndexes, "ตารางรหัสลูกค้า", "Company", kPartyFields, G::Codes, false},
    {"Product", "CDRV1", kProductIndexes, "ตารางรหัสสินค้า", "Product", kProductFields, G::Codes, false},
    {"Employee", "CDRV1", kEmployeeIndexes, "ตารางรหัสพนักงาน", "Employee", kEmployeeFields, G::Codes, false},
    {"WHouse", "CDRV1", kWHouseIndexes, "ตารางรหัสคลังสินค้า", "WHouse", kWarehouseFields, G::Codes, false},
    {"Unit", "CDRV1", kUnitIndexes, "ตารางรหัสหน่วยนับ", "Unit", kUnitFields, G::Codes, false},
    {"TruckDt", "CDRV1", kTruckDtIndexes, "ตารางรหัสทะเบียนรถ", "TruckDt", kTruckFields, G::Codes, false},
    {"Moisture", "CDRV1", kMoistureIndexes, "ตารางรหัสความชื้น", "Moisture", kGradeFields, G::Codes, false},
    {"Mixture", "CDRV1", kMixtureIndexes, "ตารางรหัสสิ่งเจือปน", "Mixture", kGradeFields, G::Codes, false},
    {"Quality", "CDRV1", kQualityIndexes, "ตารางรหัสคุณภาพ", "Quality", kGradeFields, G::Codes, false},
    {"Consec", "CDRV1", kConsecIndexes, "ตารางรหัสเลขลำดับ", "Consec", kConsecFields, G::Codes, false},
    {"Replist", "CDRV1", kReplistIndexes, "ตารางรหัสรายงาน", "Replist", kCodeNameFields, G::Codes, false},
    {"LOGGER", "CDRV1", kLOGGERIndexes, "ตารางรหัสการบันทึก", "LOGGER", kCodeNameFields, G::Codes, true},
};

// Code table numbers 1..12 are the positions of the code tables in kTables.
constexpr std::size_t kFirstCodeTable = 18;

}  // namespace

std::span<const TableDef> catalogue()
{
    return kTables;
}

const TableDef* findTable(std::string_view name)
{
    for (const TableDef& t : kTables)
        if (core::xbase::equalsNoCase(t.name, name))
            return &t;
    return nullptr;
}

const TableDef& codeTable(int number)
{
    if (number < 1 || number > 12)
        throw std::out_of_range("code table number " + std::to_string(number));
    return kTables[kFirstCodeTable + std::size_t(number - 1)];
}

std::vector<FieldSpec> fieldSpecs(std::span<const FieldDef> fields)
{
    std::vector<FieldSpec> out;
    for (const FieldDef& f : fields)
        out.push_back({f.name, FieldType(f.type), f.length, f.decimals});
    return out;
}

std::string tableFileName(const TableDef& table)
{
    return core::xbase::upper(table.name) + ".DBF";
}

std::string indexFileName(const IndexDef& index)
{
    return core::xbase::upper(index.file) + ".NTX";
}

Status openCatalogueTable(const std::string& folder, const TableDef& table, ShareMode mode,
                          std::unique_ptr<Table>* out)
{
    STORAGE_TRY(Table::open(folder + tableFileName(table), mode, out));
    for (const IndexDef& ix : table.indexes)
        STORAGE_TRY((*out)->addOrder(folder + indexFileName(ix), ix.key));
    return (*out)->setOrder(table.indexes.empty() ? 0 : 1);
}

const char* uniqueKey(const TableDef& table)
{
    const std::string_view name = table.name;
    if (table.group == TableGroup::Weighing || name.starts_with("Money") || name == "Stock1")
        return "TICKET";
    if (name.starts_with("Detail"))
        return "INDENT+RECORD";
    return "";
}

namespace {

constexpr SeriesDef kSeries[] = {
    {"TRK01", "เลขที่ใบชั่งรับเข้า", "Wdata1"},
    {"TRK02", "เลขที่ใบชั่งส่งคืน", "Wdata2"},
    {"TRK03", "เลขที่ใบชั่งส่งออก", "Wdata3"},
    {"TRK04", "เลขที่ใบชั่งรับคืน", "Wdata4"},
    {"TRK05", "เลขที่ใบรับจ้างชั่ง", "Wdata5"},
    {"MON01", "เลขที่ใบจ่ายเงิน", "Money1"},
    {"MON02", "เลขที่ใบรับเงิน", "Money2"},
    {"MON03", "เลขที่ใบให้กู้เงิน", "Money3"},
    {"MON04", "เลขที่ใบขอกู้เงิน", "Money4"},
    {"STK01", "เลขที่ใบบันทึกการผลิต", "Stock1"},
};

}  // namespace

std::span<const SeriesDef> runningNumberSeries()
{
    return kSeries;
}

namespace {

constexpr TicketLedgerSigns kTicketSigns[] = {
    {"TRK01", "Wdata1", "ApAcc", +1, +1, false},  // purchases: goods in, the supplier is owed more
    {"TRK02", "Wdata2", "ApAcc", -1, -1, false},  // returns to suppliers
    {"TRK03", "Wdata3", "ArAcc", -1, +1, true},   // sales: goods out, the customer owes more
    {"TRK04", "Wdata4", "ArAcc", +1, -1, true},   // customer returns
};

}  // namespace

std::span<const TicketLedgerSigns> ticketLedgerSigns()
{
    return kTicketSigns;
}

const TicketLedgerSigns* ticketLedgerSigns(std::string_view code)
{
    for (const TicketLedgerSigns& s : kTicketSigns)
        if (code == s.code)
            return &s;
    return nullptr;
}

const char* workTablePrefix(WorkTable t)
{
    switch (t) {
    case WorkTable::TicketSelection: return "T_";
    case WorkTable::PrintTemplate: return "P_";
    case WorkTable::ReportDefinition: return "R_";
    case WorkTable::MovementAnalysis:
    case WorkTable::BalanceSummary: return "D_";
    }
    return "";
}

std::span<const FieldDef> workTableFields(WorkTable t)
{
    switch (t) {
    case WorkTable::TicketSelection: return kTicketSelectionFields;
    case WorkTable::PrintTemplate:
    case WorkTable::ReportDefinition: return kTemplateFields;
    case WorkTable::MovementAnalysis: return kMovementFields;
    case WorkTable::BalanceSummary: return kBalanceSummaryFields;
    }
    return {};
}

}  // namespace storage
