#include "weighing/navigation.h"

#include <algorithm>

#include "core/settings.h"
#include "core/tis620.h"

namespace weighing {
namespace {

using core::tis620::T;

struct SearchDef {
    int action;
    std::vector<std::pair<const char*, const char*>> columns;  // heading (UTF-8), expression
    int rightAlignedFrom;                                      // columns from here on are right-aligned
    const char* search;
};

// The voucher actions read the counterpart's name through the work area the voucher screen opens
// its code table under, which follows the voucher.
const SearchDef& searchDef(int action)
{
    static const SearchDef defs[] = {
        {kSearchTickets,
         {{"  เลขที่", "TICKET"},
          {"    วันที่", "DTOC(DAYIN)"},
          {"  เวลา", "TMIN"},
          {"   ทะเบียนรถ", "TRUCK"},
          {"น้ำหนักเข้า ", "TRANSFORM(WIN, '99,999')"}},
         4,
         "TICKET+DTOC(DAYIN)+TMIN+TRUCK+TRANSFORM(WIN, '99,999')"},
        {kSearchSupplierVouchers,
         {{" เลขที่", "TICKET"},
          {"    วันที่", "DTOC(DATE)"},
          {"   รหัส", "COMPANY"},
          {"    ชื่อผู้ขาย", "FARMER->NAME"},
          {"จำนวนเงิน", "TRANSFORM(AMOUNT, '999,999,999.99')"}},
         4,
         "TICKET+DTOC(DATE)+COMPANY+FARMER->NAME+TRANSFORM(AMOUNT, '999,999,999.99')"},
        {kSearchCustomerVouchers,
         {{" เลขที่", "TICKET"},
          {"    วันที่", "DTOC(DATE)"},
          {"   รหัส", "COMPANY"},
          {"    ชื่อลูกค้า", "COMPANY->NAME"},
          {"จำนวนเงิน", "TRANSFORM(AMOUNT, '999,999,999.99')"}},
         4,
         "TICKET+DTOC(DATE)+COMPANY+COMPANY->NAME+TRANSFORM(AMOUNT, '999,999,999.99')"},
        {kSearchProduction,
         {{" เลขที่", "TICKET"}, {"    วันที่", "DTOC(DATE)"}, {"          รายการ", "REMARK1"}},
         3,
         "TICKET+DTOC(DATE)+REMARK1"},
    };
    for (const SearchDef& d : defs)
        if (d.action == action)
            return d;
    return defs[0];
}

// Records counted per index lock while finding a position.
constexpr long kCountBatch = 512;

}  // namespace

// ---- DocumentCursor

DocumentCursor::DocumentCursor(storage::Workspace& ws, std::string alias) : m_ws(ws), m_alias(std::move(alias)) {}

storage::Table* DocumentCursor::table() const
{
    return m_ws.find(m_alias);
}

void DocumentCursor::move(int action)
{
    storage::Table* t = table();
    if (!t)
        return;
    const bool wasKnown = m_known && m_recno == t->recNo() && !t->eof();
    const std::uint32_t before = m_position;
    m_known = false;
    switch (action) {
    case kMoveNext: {
        (void)t->skip(1);
        if (t->eof()) {
            (void)t->goBottom();
            if (wasKnown)
                m_position = before, m_known = true;
        } else if (wasKnown) {
            m_position = before + 1, m_known = true;
        }
        break;
    }
    case kMovePrevious: {
        (void)t->skip(-1);
        const bool atFirst = t->bof();  // the pointer stays on the first record
        if (wasKnown)
            m_position = atFirst ? before : before - 1, m_known = true;
        break;
    }
    case kMoveLast:
        (void)t->goBottom();
        if (!t->eof())
            m_position = count(), m_known = true;
        break;
    case kMoveFirst:
        (void)t->goTop();
        if (!t->eof())
            m_position = 1, m_known = true;
        break;
    default:
        break;
    }
    m_recno = t->recNo();
}

std::uint32_t DocumentCursor::count()
{
    storage::Table* t = table();
    return t ? t->recCount() : 0;
}

std::uint32_t DocumentCursor::countPosition(storage::Table& t)
{
    // Counts towards both ends at once, a batch at a time, and stops at the nearer one: the
    // documents worked on are mostly the recent ones at the end of the date order.
    const std::uint32_t start = t.recNo();
    std::uint32_t forwardAt = start, backwardAt = start;
    std::uint64_t after = 0, before = 0;
    std::vector<storage::NtxIndex::Entry> batch;
    std::uint32_t result = 0;
    for (long size = 64;; size = std::min(size * 2, kCountBatch)) {
        if (!t.goTo(forwardAt).ok() || !t.skipBatch(size, &batch).ok())
            break;
        after += batch.size();
        if (batch.empty()) {
            const std::uint64_t total = t.recCount();
            result = std::uint32_t(total > after ? total - after : 1);
            break;
        }
        forwardAt = batch.back().recno;
        if (!t.goTo(backwardAt).ok() || !t.skipBatch(-size, &batch).ok())
            break;
        before += batch.size();
        if (batch.empty()) {
            result = std::uint32_t(before + 1);
            break;
        }
        backwardAt = batch.back().recno;
    }
    (void)t.goTo(start);
    return result;
}

std::uint32_t DocumentCursor::position()
{
    storage::Table* t = table();
    if (!t || t->eof())
        return 0;
    if (m_known && m_recno == t->recNo())
        return m_position;
    m_position = countPosition(*t);
    m_recno = t->recNo();
    m_known = m_position != 0;
    return m_position;
}

std::string DocumentCursor::recordPosition()
{
    const std::uint32_t pos = position();
    return "Rec.:" + std::to_string(pos) + "/" + std::to_string(count());
}

// ---- SearchDialogModel

SearchDialogModel::SearchDialogModel(storage::Workspace& ws, int action)
    : m_action(action), m_tables(ws), m_settings(core::programSettings()), m_context({&m_tables, &m_settings})
{
}

std::unique_ptr<SearchDialogModel> SearchDialogModel::create(storage::Workspace& ws, int action, std::string* error)
{
    std::unique_ptr<SearchDialogModel> m(new SearchDialogModel(ws, action));
    const SearchDef& def = searchDef(action);
    std::vector<std::string> expressions;
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        m->m_columns.push_back({T(def.columns[i].first), def.columns[i].second, int(i) >= def.rightAlignedFrom});
        expressions.push_back(def.columns[i].second);
    }
    m->m_search = def.search;
    storage::Table* t = ws.find("wdata");
    if (!t) {
        if (error)
            *error = "no table open as wdata";
        return nullptr;
    }
    const storage::Status s = storage::TableRowSource::create(*t, expressions, &m->m_source, {}, &m->m_context);
    if (!s.ok()) {
        if (error)
            *error = s.toString();
        return nullptr;
    }
    m->m_browse = std::make_unique<codes::TableBrowse>(ws, "wdata", *m->m_source);
    return m;
}

std::string SearchDialogModel::title()
{
    return T("  กรุณาเลือกข้อมูลที่ท่านต้องการ");
}
std::string SearchDialogModel::okCaption()
{
    return T("&ตกลง");
}
std::string SearchDialogModel::topCaption()
{
    return T("&บนสุด");
}
std::string SearchDialogModel::bottomCaption()
{
    return T("&ล่างสุด");
}
std::string SearchDialogModel::searchCaption()
{
    return T("&ค้นหา");
}

void SearchDialogModel::top()
{
    codes::SACTION(*m_browse, 1, {}, m_search);
}

void SearchDialogModel::bottom()
{
    codes::SACTION(*m_browse, 2, {}, m_search);
}

void SearchDialogModel::search(const std::string& text)
{
    codes::SACTION(*m_browse, 3, text, m_search);
}

void SearchDialogModel::close()
{
    m_browse->sync();
}

}  // namespace weighing
