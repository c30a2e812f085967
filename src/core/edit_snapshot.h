// EditSnapshot: the values a form showed when its editing began, so a screen can tell whether the
// person changed anything since - what a cancel or a closed window would throw away - and ask
// before throwing it away.
//
// Texts compare without their trailing blanks (a code padded to its field is the code typed) and
// numbers by their value alone (an entry may hand back a number with other decimals).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/value_map.h"

namespace core {

class EditSnapshot {
public:
    // Remembers the named values; every value of the map when `names` is empty.
    void take(const ValueMap& values, const std::vector<std::string>& names = {});
    void clear() { m_taken.clear(); }
    // True when a remembered value differs now.
    bool changed(const ValueMap& values) const;

private:
    std::vector<std::pair<std::string, Value>> m_taken;
};

// With `changed`, asks "ข้อมูลที่ระบุยังไม่ได้บันทึก ต้องการยกเลิกโดยไม่บันทึกหรือไม่" under `title`
// (TIS-620), the default answer No. True when the work may be thrown away: nothing changed, or Yes.
bool mayDiscard(bool changed, const std::string& title);

}  // namespace core
