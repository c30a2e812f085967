#include "audit/audit_list.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "audit/audit.h"
#include "audit/audit_report.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/fault_bridge.h"
#include "storage/ops.h"

namespace audit {
namespace {

using core::tis620::T;

// The log's fields in table order after DATE.
constexpr const char* kTextFields[] = {"TIME", "TICKET", "STAFF", "DESCRIP", "OLDDATA", "NEWDATA"};

std::string fieldText(storage::Table& t, const char* name)
{
    core::Value v;
    if (!t.get(name, &v).ok() || !v.isText())
        return {};
    return v.asText();
}

core::Date fieldDate(storage::Table& t)
{
    core::Value v;
    if (!t.get("DATE", &v).ok() || !v.isDate())
        return {};
    return v.asDate();
}

// Puts the log on its first row dated on or after `from`; false when there is none.
bool seekFrom(storage::Table& t, core::Date from)
{
    return t.seek(from.dtos(), true).ok() && !t.eof();
}

}  // namespace

// ---- AuditRows

void AuditRows::setSource(std::unique_ptr<storage::TableRowSource> source)
{
    m_source = std::move(source);
    ++m_swaps;
}

void AuditRows::goTop()
{
    if (m_source)
        m_source->goTop();
}

void AuditRows::goBottom()
{
    if (m_source)
        m_source->goBottom();
}

long AuditRows::skip(long n)
{
    return m_source ? m_source->skip(n) : 0;
}

bool AuditRows::atEnd() const
{
    return !m_source || m_source->atEnd();
}

void AuditRows::cells(std::vector<std::string>& out)
{
    if (m_source)
        m_source->cells(out);
    else
        out.clear();
}

bool AuditRows::deleted()
{
    return m_source && m_source->deleted();
}

double AuditRows::position()
{
    return m_source ? m_source->position() : 0.0;
}

bool AuditRows::goToPosition(double f)
{
    return m_source && m_source->goToPosition(f);
}

std::uint64_t AuditRows::generation() const
{
    // A new source shows other rows even when its own count has not moved.
    return (m_swaps << 32) + (m_source ? m_source->generation() : 0);
}

void AuditRows::reportFailures()
{
    if (m_source)
        m_source->reportFailures();
}

// ---- AuditList

const std::vector<AuditList::Column>& AuditList::columns()
{
    static const std::vector<Column> kColumns = {
        {"  วันที่", "DTOC(DATE)", 100},     {"  เวลา", "TIME", 60},       {"  ลำดับเข้า", "TICKET", 110},
        {"  พนักงาน", "STAFF", 80},         {"  รายการ", "DESCRIP", 140},  {"  ข้อมูลเดิม", "OLDDATA", 140},
        {"  ข้อมูลใหม่", "NEWDATA", 140},
    };
    return kColumns;
}

AuditList::AuditList(int level) : m_level(level) {}

AuditList::~AuditList()
{
    close();
}

bool AuditList::openShared()
{
    if (!openAudit(m_ws)) {
        (void)m_ws.closeAll();
        return false;
    }
    resetRows();
    return true;
}

void AuditList::resetRows()
{
    storage::Table* t = log();
    if (!t) {
        m_rows.setSource(nullptr);
        return;
    }
    (void)t->goTop();
    std::vector<std::string> expressions;
    for (const Column& c : columns())
        expressions.push_back(c.expression);
    std::unique_ptr<storage::TableRowSource> source;
    if (!storage::TableRowSource::create(*t, expressions, &source).ok())
        source.reset();
    m_rows.setSource(std::move(source));
    m_rows.goTop();
}

bool AuditList::open()
{
    return openShared();
}

void AuditList::close()
{
    m_rows.setSource(nullptr);
    (void)m_ws.closeAll();
}

std::string AuditList::title()
{
    return T("  บันทึกการแก้ไขข้อมูลการชั่ง");
}

std::string AuditList::browseStatus()
{
    return T("รายการบันทึกการแก้ไขข้อมูล");
}

std::string AuditList::caption(Button b)
{
    switch (b) {
    case Button::Top: return T("&บนสุด");
    case Button::Bottom: return T("&ล่างสุด");
    case Button::Print: return T("&พิมพ์");
    case Button::Copy: return T("&สำเนา");
    case Button::Purge: return T("&ลบ");
    case Button::Exit: return T("&ออก");
    case Button::Search: return T("&ค้นหา");
    case Button::Count_: break;
    }
    return {};
}

std::string AuditList::statusText(Button b)
{
    switch (b) {
    case Button::Top: return T("ไปยังตำแหน่งข้อมูลแรกสุด");
    case Button::Bottom: return T("ไปยังตำแหน่งข้อมูลหลังสุด");
    case Button::Print: return T("ส่วนการพิมพ์รายงานการแก้ไขข้อมูล");
    case Button::Copy: return T("ทำสำเนาการบันทึกข้อมูลการแก้ไข");
    case Button::Purge: return T("ทำการลบบันทึกข้อมูลการแก้ไข");
    case Button::Exit: return T("ออกจากส่วนบันทึกข้อมูลการแก้ไข");
    case Button::Search: return T("ส่วนทำการค้นหาข้อมูลบันทึกการแก้ไขข้อมูล");
    case Button::Count_: break;
    }
    return {};
}

bool AuditList::enabled(Button b) const
{
    switch (b) {
    case Button::Top:
    case Button::Bottom:
    case Button::Search:
    case Button::Exit: return m_level >= 1;
    case Button::Print:
    case Button::Copy: return m_level >= 2;
    case Button::Purge: return m_level >= 6;
    case Button::Count_: break;
    }
    return false;
}

bool AuditList::find(const std::string& text)
{
    const std::string wanted = core::xbase::upper(core::xbase::alltrim(text));
    storage::Table* t = log();
    if (wanted.empty() || !t)
        return false;
    const std::uint32_t start = t->recNo();
    bool hit = false;
    while (t->skip().ok() && !t->eof()) {
        std::string joined = fieldDate(*t).dtoc();
        for (const char* f : kTextFields)
            joined += fieldText(*t, f);
        if (core::xbase::upper(joined).find(wanted) != std::string::npos) {
            hit = true;
            break;
        }
    }
    if (!hit) {
        (void)t->goTo(start);
        core::prompts().message(core::MessageKind::Info, T("ไม่พบข้อมูลตามที่ระบุ !"), T("  ส่วนการค้นหาข้อมูลการแก้ไข"));
    }
    if (m_rows.source())
        m_rows.source()->syncToTable();
    return hit;
}

std::string AuditList::rangeTitle(RangeUse use)
{
    switch (use) {
    case RangeUse::Copy: return T("  สำเนาบันทึกการแก้ไข");
    case RangeUse::Purge: return T("  ลบบันทึกการแก้ไข");
    case RangeUse::Print: return T("  พิมพ์บันทึกการแก้ไข");
    }
    return {};
}

std::string AuditList::fromLabel()
{
    return T("เ&ริ่มต้น");
}

std::string AuditList::toLabel()
{
    return T("&จนถึง");
}

std::string AuditList::copyDialogTitle()
{
    return T("บันทึกเป็นแฟ้มข้อมูล ?");
}

std::string AuditList::copyFileName(core::Date today)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%04d.TXT", today.day(), today.month(), today.year());
    return buf;
}

std::string auditCopyLine(core::Date date, const std::vector<std::string>& texts)
{
    std::string line = date.dtos();
    for (const std::string& text : texts) {
        line += ",\"";
        for (const char c : core::xbase::rtrimView(text)) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    return line;
}

bool AuditList::copy(core::Date from, core::Date to, const std::string& path)
{
    storage::Table* t = log();
    if (!t)
        return false;
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        const std::string name = std::filesystem::path(path).filename().string();
        if (!core::prompts().confirm(T("บันทึกทับแฟ้ม ") + name + T(" เดิม ?"), T("  ส่วนการบันทึกการแก้ไข")))
            return false;
    }
    std::string bytes;
    const std::uint32_t at = t->recNo();
    for (bool more = seekFrom(*t, from); more; more = t->skip().ok() && !t->eof()) {
        const core::Date d = fieldDate(*t);
        if (d > to)
            break;
        std::vector<std::string> texts;
        for (const char* f : kTextFields)
            texts.push_back(fieldText(*t, f));
        bytes += auditCopyLine(d, texts);
        bytes += "\r\n";
    }
    (void)t->goTo(at);
    if (m_rows.source())
        m_rows.source()->syncToTable();

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        core::prompts().message(core::MessageKind::Stop, T("ไม่สามารถบันทึกแฟ้ม ") + path,
                                T("  ส่วนทำสำเนาบันทึกการแก้ไข"));
        return false;
    }
    core::prompts().message(core::MessageKind::Info, T("ทำสำเนาบันทึกการแก้ไขแล้ว !"), T("  ส่วนทำสำเนาบันทึกการแก้ไข"));
    return true;
}

bool AuditList::purge(core::Date from, core::Date to)
{
    if (!core::prompts().confirm(T("คุณยืนยันการสั่งลบข้อมูลการแก้ไข ?"), T("  คำเตือน !")))
        return false;
    close();
    bool purged = false;
    if (openAudit(m_ws, true)) {
        storage::Table& t = *log();
        for (bool more = seekFrom(t, from); more; more = t.skip().ok() && !t.eof()) {
            if (fieldDate(t) > to)
                break;
            (void)t.deleteRecord();
        }
        storage::Status packed;
        while (!(packed = t.commit()).ok() || !(packed = t.pack()).ok())
            if (core::raise(storage::toFault(packed, "PACK", t.path())) != core::FaultAnswer::Retry)
                break;
        purged = packed.ok();
        if (purged)
            core::prompts().message(core::MessageKind::Info, T("ทำการลบบันทึกข้อมูลการแก้ไขแล้ว !"),
                                    T("  ส่วนลบบันทึกการแก้ไข"));
    }
    close();
    openShared();
    return purged;
}

void AuditList::report(core::Date from, core::Date to, core::PrintJob& job)
{
    if (storage::Table* t = log())
        printAuditReport(*t, from, to, job);
    resetRows();
}

}  // namespace audit
