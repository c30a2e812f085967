#include "core/edit_snapshot.h"

#include "core/prompts.h"
#include "core/tis620.h"
#include "core/xbase.h"

namespace core {
namespace {

bool same(const Value& a, const Value& b)
{
    if (a.isText() && b.isText())
        return xbase::rtrimView(a.asText()) == xbase::rtrimView(b.asText());
    if (a.isNumber() && b.isNumber())
        return a.asNumber() == b.asNumber();
    return a == b;
}

}  // namespace

void EditSnapshot::take(const ValueMap& values, const std::vector<std::string>& names)
{
    m_taken.clear();
    if (names.empty()) {
        values.forEach([this](const std::string& name, const Value& v) { m_taken.emplace_back(name, v); });
        return;
    }
    for (const std::string& name : names)
        m_taken.emplace_back(name, values.get(name));
}

bool EditSnapshot::changed(const ValueMap& values) const
{
    for (const auto& [name, before] : m_taken)
        if (!same(before, values.get(name)))
            return true;
    return false;
}

bool mayDiscard(bool changed, const std::string& title)
{
    return !changed || prompts().confirm(tis620::T("ข้อมูลที่ระบุยังไม่ได้บันทึก ต้องการยกเลิกโดยไม่บันทึกหรือไม่"), title);
}

}  // namespace core
