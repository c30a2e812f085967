#include "weighing/evidence_log.h"

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

std::string typedWeightMark()
{
    return core::tis620::T("ป้อนเอง");
}

}  // namespace weighing
