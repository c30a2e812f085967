// ProductionScreen: the production records screen (SKPROC1) without its widgets - a record carries a
// number, a date and three remarks; its lines move the stock of a product in a warehouse by a signed
// quantity in a unit (UPSTATUS "STK_1"), each the moment it is stored, changed or marked. The
// display (SKDISP1), new and edit (SKEDIT1), save (SKSAVE1), the line dialog (SK1DTEDIT) and the line
// mark (MNDTDELE). Built like the payment screen, without money, partner or settlement check.
//
// Screen values: cTicket, cDate, cRemark1..cRemark3, cStat, cRecP, cLines (live lines), CSTEP, CPOS.
// Tables: "Employee", "Unit", "WHouse", "Product", "Audit", "Stock", "Detail3" as "Detail" (the
// product name following each line's CODE), "Stock1" as "Wdata" (date order). One thread.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "accounts/document_screen.h"

namespace accounts {

// The labels of remarks 1-3 (section "Name", keys "Remark311" .. "Remark313"; TIS-620).
std::array<std::string, 3> readProductionLabels();

class ProductionScreen final : public DocumentScreen {
public:
    // level: the user's rights digit for production (position 10).
    ProductionScreen(int level, DocumentHost& host);
    ~ProductionScreen() override;

    std::string title() const override;
    const char* code() const override { return "STK01"; }
    const char* lineCode() const override { return "STK_1"; }
    const std::array<std::string, 3>& remarkLabels() const { return m_labels; }
    std::vector<ScreenField> fields() const override;
    std::vector<weighing::BrowseColumn> lineColumns() const override;

    void SKDISP1(bool keepLinePosition = false);
    bool SKSAVE1();
    bool save() override { return SKSAVE1(); }
    void SK1DTEDIT(bool newLine) { editLines(newLine); }
    std::string fieldLabel(const std::string& field) const override;

protected:
    bool openTables() override;
    void readConfig() override;
    void initialValues() override;
    void display(bool keepLine) override { SKDISP1(keepLine); }
    void edit(bool isNew) override;
    std::unique_ptr<LineEditor> makeLineEditor(bool newLine) override;
    std::string printForm() const override { return "Stock1"; }
    weighing::MoveAction searchAction() const override { return weighing::kSearchProduction; }

private:
    void walkLines();

    std::array<std::string, 3> m_labels;
};

// The production line dialog: cdCode (with cdName), cdWHouse, cdUnit, cdQty (the names the line
// audit reads).
class ProductionLineEditor final : public LineEditor {
public:
    // A new line opens blank; a changed one with the values of the current line of "Detail".
    ProductionLineEditor(storage::Workspace& ws, bool newLine);

    std::vector<ScreenField> fields() const override;
    // The three codes validate through their pick-lists (products 3, warehouses 5, units 6); the
    // product fills its name.
    bool validate(const std::string& name) override;
    // Product, warehouse and unit given and a quantity other than 0.
    bool complete() const override;
    std::vector<weighing::FieldValue> lineValues() const override;

private:
    storage::Workspace& m_ws;
};

}  // namespace accounts
