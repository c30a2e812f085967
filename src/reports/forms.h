// The report families and the seven range forms: which ranges a report asks for (labels, the
// range values they fill, their pick-lists and defaults), and DATACHECK, the record filter that
// applies them while the engine walks the detail table.
//
// Range values (texts blank-padded as the entries hold them; dates as dates): CCODBEG/CCODEND the
// party or code, CCOD2BEG/CCOD2END the second party, CDOCBEG/CDOCEND document numbers (products in
// form 4), CPROBEG/CPROEND products, CWHOBEG/CWHOEND warehouses, CDAYBEG/CDAYEND dates.
//
// Comparisons include both bounds. Texts compare whole, blank-padded to the same width, so a range
// F001..F001 holds F001 and not F0011 or F001A (sites whose codes are prefixes of one another -
// "1", "10", "100" - get one party's statement); an empty bound takes in everything on its side.
// Dates compare as dates.
// One thread; the check reads the tables of the workspace it was made for.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value_map.h"
#include "reports/engine.h"
#include "storage/workspace.h"

namespace reports {

enum class Family { TRK, MON, STK, STA, COD, ACC, GLR, Unknown };

// By the first three characters of a report code (upper or lower case).
Family familyOf(std::string_view code);
// Characters 4-5 of a code as a number (0 when they are not digits).
int kindOf(std::string_view code);

// Whether `form` ("1".."7") is the one for a report code: COD 1, MON01-04 and STK01 2, STA01-04
// 3, ACC 4, GLR 5, TRK01-04 6, TRK05 7.
bool formFits(int form, std::string_view code);

struct RangeDef {
    enum class Kind { Code, Number, Date };
    const char* labelUtf8;  // the entry's label: "ผู้ขาย", "เลขที่", "วันที่" ...
    const char* from;       // the range value of the first entry: "CCODBEG" ...
    const char* to;         // of the second: "CCODEND" ...
    Kind kind;
    int pickTable;          // Code: the code table of the pick-list (1..12)
    const char* option;     // its name for `mervo-admin report --range NAME=FROM:TO`
};

// The ranges form `form` asks for the report `code`, in the order they are asked; empty when the
// form does not fit the code.
std::vector<RangeDef> rangeDefs(int form, std::string_view code);

// The code-table number of the party pick-lists (CPOP) and the party label (CDRX, TIS-620) of a
// form and code: 0 and "" when the form has no party.
int partyTable(int form, std::string_view code);
std::string partyLabel(int form, std::string_view code);

// DATACHECK for a report whose tables are open in `ws` ("detail" and, for MON01/MON02, the vouchers
// as "Money1"/"Money2"): a record marked for deletion never belongs; the condition (CFCOND, may be
// empty) must be true; then the form's ranges of `values`. A condition that does not compile, or
// gives no logical value, goes to the error trap: Default leaves the condition out (or rejects the
// record), any other answer stops the report.
class RangeCheck {
public:
    RangeCheck(storage::Workspace& ws, int form, std::string_view code, const core::ValueMap& values,
               const std::string& condition, const std::string& reportName);
    ~RangeCheck();
    RangeCheck(RangeCheck&&) noexcept;

    FilterAnswer operator()();

    // The field of "detail" whose date the ranges bound (DAYIN, DATE, DOC_DATE), -1 when the dates
    // bound another table's field or none; the engine may walk only those dates when the detail's
    // order begins with DTOS() of it.
    int dateField() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m;
};

// True when an index key expression begins with DTOS(field) (letter case and blanks ignored).
bool keyStartsWithDate(std::string_view key, std::string_view field);

// "value >= bound" and "value <= bound" of whole codes, an empty bound passing (see above).
bool textAtLeast(std::string_view value, std::string_view bound);
bool textAtMost(std::string_view value, std::string_view bound);

}  // namespace reports
