// VoucherScreen: the money voucher screen of one kind (MNPROC1..MNPROC4) without its widgets -
// payments to suppliers and receipts from customers that settle tickets through their lines, and
// loans given and taken. The display (MNDISP), new and edit (MNEDIT), save (MNSAVE) with its
// posting (UPSTATUS "MON01".."MON04"), the settlement check (PAYCHECK), the settlement split
// (PAYMENT, PAYBUTTON), the configured expressions of the loan kinds (MNPROCSAY), and the lines:
// the line dialog (MNDTEDIT), the ticket selection (MNDTFILL) and the line mark (MNDTDELE).
//
// Screen values: cTicket, cDate, cFarmer (kinds 1, 3) or cCompany (2, 4) with cFarName or
// cComName, cRemark1..cRemark3, cAmount, cCash, cDrCr (the deduction from the loan balance), cCheque,
// cChq_No, cChq_Bank, cStat, cRecP, cLines and cTotal (live lines and their sum), CVAR1..CVAR3, CSTEP,
// CPOS. The tables are open under the aliases of the kind's table in voucher_kind.h: the partner
// table under its name (following the voucher), "Account", "Audit", "Detail", "Data1", "Data2"
// (their third order, COMPANY+ACCOUNT), "Wdata" (date order) and "Employee". One thread.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "accounts/document_screen.h"
#include "accounts/voucher_kind.h"
#include "weighing/calc.h"

namespace accounts {

// Positions recalculate() takes: the partner (0), remarks 1-3, the amount (4), and a settlement
// part (kPosPaymentBase + 1 cash, 2 deduction, 3 cheque).
enum VoucherPosition : int { kPosPartner = 0, kPosRemark = 1, kPosAmount = 4 };

// The configured labels and expressions of a kind (configuration sections "Name" and "Variable").
struct VoucherConfig {
    std::array<std::string, 3> remarkLabels;  // TIS-620
    std::array<weighing::Formula, 3> vars;     // kinds 3, 4: "Var231" ... into CVAR1..3
    std::array<weighing::Formula, 3> remarks;  // kinds 3, 4: "Remark231" ... into cRemark1..3
    weighing::Formula amount;                  // kinds 3, 4: "Amount23" / "Amount24" into cAmount
};
VoucherConfig readVoucherConfig(int kind);

class VoucherScreen final : public DocumentScreen {
public:
    // kind 1..4; level: the user's rights digit for the kind (positions 6..9).
    VoucherScreen(int kind, int level, DocumentHost& host);
    ~VoucherScreen() override;

    int kind() const { return m_kind.number; }
    const VoucherKind& kindInfo() const { return m_kind; }
    std::string title() const override;
    const char* code() const override { return m_kind.code; }
    const char* lineCode() const override { return m_kind.lineCode; }
    const VoucherConfig& config() const { return m_config; }
    std::vector<ScreenField> fields() const override;
    std::vector<weighing::BrowseColumn> lineColumns() const override;
    // The tooltip of a settlement button (TIS-620), per kind; "" for the deduction of kinds 3, 4.
    std::string payTooltip(int part) const override;

    // Operations.
    void MNDISP(bool keepLinePosition);
    // True only when the voucher was stored and posted: false when a check refused it (told), when
    // another workstation deleted it meanwhile (told) or when its write failed.
    bool MNSAVE();
    bool save() override { return MNSAVE(); }
    bool PAYCHECK();
    void MNPROCSAY(int field);
    void MNDTEDIT(bool newLine) { editLines(newLine); }
    bool MNDTFILL();
    // A small settlement button: the whole amount into that part (PAYBUTTON).
    void payButton(int part) override;

    bool validate(const std::string& name) override;
    void recalculate(int position) override;

    // The live lines' sum as last displayed (the line dialog and the selection check it fits).
    double lineTotal() const { return m_values.number("cTotal"); }
    std::string fieldLabel(const std::string& field) const override;

protected:
    bool openTables() override;
    void readConfig() override;
    void initialValues() override;
    void display(bool keepLine) override { MNDISP(keepLine); }
    void edit(bool isNew) override;
    std::unique_ptr<LineEditor> makeLineEditor(bool newLine) override;
    std::vector<weighing::FieldValue> documentLineFields() override;
    bool leaveCheck() override { return !m_kind.hasLines() || PAYCHECK(); }
    std::string printForm() const override { return m_kind.form(); }
    weighing::MoveAction searchAction() const override { return weighing::MoveAction(m_kind.searchAction); }

private:
    void loadVoucher();
    void walkLines();

    const VoucherKind& m_kind;
    VoucherConfig m_config;
};

}  // namespace accounts
