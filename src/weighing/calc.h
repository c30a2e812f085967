// The weight and amount calculation of the ticket screens: the site's captions and formulas per
// kind (sections "Name" and "Variable" of the configuration file), WEIGHCALC (net, quantity,
// amount) and TRPROCSAY (the recalculation cascade run when a field is left), with the price rules
// and the default payment split.
//
// A Calculator works on one screen's values and workspace: formulas read the fields of the tables
// open in the workspace (unqualified names: the selected table, normally "Wdata"; ALIAS->FIELD any
// other), then the screen values, then the program-wide settings, all without regard to letter
// case. A formula that does not compile or cannot be evaluated goes to the error trap; answered
// Default (or Quit), the value it would have set keeps what it held. One thread.
#pragma once

#include <array>
#include <string>

#include "core/ini_file.h"
#include "core/settings.h"
#include "core/value_map.h"
#include "expr/contexts.h"
#include "expr/expr.h"
#include "storage/workspace.h"
#include "storage/workspace_context.h"

namespace weighing {

// One configured formula: its key ("Qty1", "Remark34" ...), its text as the file holds it (TIS-620)
// and its compiled form. An empty text means the built-in rule.
struct Formula {
    std::string key;
    std::string text;
    expr::Expression compiled;
    expr::CompileError error;

    bool configured() const { return !text.empty(); }
};

// Captions and formulas of one kind, read when its screen starts.
struct CalcConfig {
    int kind = 0;
    // TIS-620 captions: remarks 1-4 (kinds 1, 2 have no fourth; kind 5 only the first) and the six
    // deductions (weight 1-3, money 1-3; kinds 1-4).
    std::array<std::string, 4> remarkCaptions;
    std::array<std::string, 6> adjustCaptions;
    Formula qty, price, amount;
    std::array<Formula, 4> remarks;  // kinds 3, 4 only read the fourth
    std::array<Formula, 6> adjusts;  // cAdj_W1..3, cAdj_M1..3
    std::array<Formula, 3> vars;     // cVar1..3
};

// Reads the formula of one key of section "Variable" of the configuration file open as `ini` (a key
// holding its default, empty, is written back) and compiles it when configured.
void readFormula(core::IniFile& ini, Formula& f, std::string key);

// Evaluates a configured formula into values[target] over `context`. One that does not compile or
// cannot be evaluated goes to the error trap, and the target keeps what it held. True when the
// formula is configured (whatever its evaluation gave): a built-in rule then does not apply.
bool applyFormula(Formula& f, expr::Context& context, core::ValueMap& values, const char* target);

// Reads the captions (section "Name", defaults per kind) and formulas (section "Variable", empty by
// default) of a kind from the configuration file the setting VARFILE names, the way every key is
// read: a key that holds its default (or is missing) is written back with it.
CalcConfig readCalcConfig(int kind);
CalcConfig readCalcConfig(int kind, const std::string& configFile);

// Field positions TRPROCSAY is given: which field was left.
enum FieldPosition : int {
    kPosCode = 0,      // any code field, after the pick-list accepted it
    kPosRemark1 = 1,   // .. kPosRemark1 + 2
    kPosWeightIn = 4,
    kPosWeightOut = 5,
    kPosAdjustW1 = 6,  // .. 8
    kPosPrice = 9,
    kPosAdjustM1 = 10, // .. 12
    kPosOrderNumber = 13,  // kinds 3, 4: as a code field, without re-applying the remark-4 formula
    kPosFee = 14,      // kind 5: the fee typed; its default payment split follows, no formula replaces it
};

class Calculator {
public:
    // The config, workspace, values and settings must outlive the calculator.
    Calculator(int kind, CalcConfig& config, storage::Workspace& ws, core::ValueMap& values,
               const core::Settings& settings = core::programSettings());
    Calculator(const Calculator&) = delete;
    Calculator& operator=(const Calculator&) = delete;

    // WEIGHCALC: in the second weighing (CSTEP 2) or on a complete stored ticket (STAT "2" of
    // "Wdata"'s current record): cNet = |cWin - cWout|; kinds 1-4 also cQty (Qty formula, else net
    // less the three weight deductions) and cAmount (Amount formula, else XROUND(cQty / cRate x
    // cPrice - the three money deductions, 2)). Otherwise cNet, and for kinds 1-4 cQty and cAmount,
    // are 0.
    void WEIGHCALC();

    // TRPROCSAY(kind, field): the cascade after a field was left; a formula only sets values that
    // come after the field in the screen's order, never the one just typed. Always true.
    bool TRPROCSAY(int field);

    // The Var formulas (cVar1..3), each when configured.
    void applyVarFormulas();

    // In the second weighing, or the stored ticket is complete.
    bool secondOrComplete() const;

    // The CDECCOR rounding of money: XROUND(value, decimals).
    double xround(double value, int decimals) const;

private:
    bool apply(Formula& f, const char* target);
    void priceRule();
    void defaultPayment();
    double unitRate();
    void seekScreenGrades();

    int m_kind;
    CalcConfig& m_config;
    storage::Workspace& m_ws;
    core::ValueMap& m_values;
    const core::Settings& m_settings;
    storage::WorkspaceContext m_tables;
    expr::ValueMapContext m_screen;
    expr::ValueMapContext m_settingLayer;
    expr::ChainContext m_context;
};

}  // namespace weighing
