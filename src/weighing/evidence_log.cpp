#include "weighing/evidence_log.h"

#include <cmath>

#include "core/seam.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/table.h"

namespace weighing {
namespace {

class NoEvidence final : public EvidenceLog {
public:
    storage::Status append(const evidence::Event&) override { return storage::Status(); }
    std::array<char, 2> weightSources(int, const std::string&) override { return {' ', ' '}; }
    std::vector<EvidenceEntry> history(int, const std::string&) override { return {}; }
};

NoEvidence g_none;
core::Seam<EvidenceLog> g_log(&g_none);

}  // namespace

EvidenceLog& evidenceLog()
{
    return g_log.get();
}

EvidenceLog* setEvidenceLog(EvidenceLog* log)
{
    return g_log.install(log);
}

std::vector<std::pair<std::string, std::string>> evidence::savedValues(storage::Table& ticket)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const char* name : evidence::kSavedFields) {
        std::string_view raw;
        const int i = ticket.fieldIndex(name);
        out.emplace_back(name, i >= 0 && ticket.raw(i, &raw).ok() ? core::xbase::alltrim(raw) : std::string());
    }
    return out;
}

EvidenceHistory evidenceHistoryList(const std::string& ticket, const std::vector<EvidenceEntry>& entries)
{
    using core::tis620::T;
    static const std::pair<const char*, const char*> kEvents[] = {
        {"WEIGH1", "ชั่งเข้า"}, {"WEIGH2", "ชั่งออก"}, {"NEW", "บันทึก"},      {"EDIT", "แก้ไข"},
        {"DELETE", "สั่งลบ"},   {"UNDELETE", "ยกเลิกการลบ"}, {"PRINT", "พิมพ์"}, {"TRUCKWT", "น้ำหนักรถไม่ตรง"},
    };
    static const std::pair<const char*, const char*> kSources[] = {
        {"I", "เครื่องชั่ง"}, {"A", "กดรับน้ำหนัก"}, {"M", "ป้อนเอง"}};
    const auto named = [](const auto& names, const std::string& code) {
        for (const auto& [c, name] : names)
            if (code == c)
                return T(name);
        return code;
    };
    EvidenceHistory h;
    h.title = T("  หลักฐานการชั่ง ใบชั่งเลขที่ ") + core::xbase::alltrim(ticket);
    h.captions = {T("วันที่"), T("เวลา"),   T("รายการ"),  T("น้ำหนัก"),
                  T("ที่มา"),  T("ผู้ใช้"), T("เครื่อง"), T("ข้อมูลที่บันทึก")};
    for (const EvidenceEntry& e : entries) {
        const bool weighed = e.event == "WEIGH1" || e.event == "WEIGH2" || e.event == "TRUCKWT";
        std::string weight;
        if (weighed) {
            weight = std::to_string(std::llround(e.weight));
            for (int i = int(weight.size()) - 3; i > (weight[0] == '-' ? 1 : 0); i -= 3)
                weight.insert(std::size_t(i), ",");
        }
        std::string where = e.host;
        if (!e.port.empty())
            where += (where.empty() ? "" : " ") + e.port;
        h.rows.push_back({e.date, e.time, named(kEvents, e.event), weight, named(kSources, e.source), e.user, where,
                          e.values});
    }
    return h;
}

std::string typedWeightMark()
{
    return core::tis620::T("ป้อนเอง");
}

}  // namespace weighing
