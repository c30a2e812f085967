#include "accounts/document_screen.h"

#include "core/prompt_sounds.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "weighing/doc_print.h"
#include "weighing/posting.h"
#include "weighing/ticket_store.h"

namespace accounts {
namespace {

using core::tis620::T;

constexpr std::array<DocToolButton, kDocToolButtons> kToolBar = {{
    {DocButton::Previous, "prev.bmp", "ข้อมูลก่อนหน้า"},
    {DocButton::Next, "next.bmp", "ข้อมูลถัดไป"},
    {DocButton::First, "top.bmp", "ข้อมูลแรกสุด"},
    {DocButton::Last, "bottom.bmp", "ข้อมูลสุดท้าย"},
    {DocButton::New, "newfile.bmp", "เพิ่มข้อมูลใหม่"},
    {DocButton::Edit, "config.bmp", "แก้ไขข้อมูล"},
    {DocButton::Delete, "del.bmp", "สั่งลบข้อมูลนี้"},
    {DocButton::Search, "inspsma.bmp", "ค้นหาข้อมูล"},
    {DocButton::Save, "save.bmp", "บันทึกข้อมูล"},
    {DocButton::Cancel, "cancel.bmp", "ยกเลิกการบันทึก"},
    {DocButton::Print, "report.bmp", "พิมพ์เอกสารนี้"},
    {DocButton::Exit, "door.bmp", "ออกจากส่วนนี้"},
}};

// The detail link key's width: a scope of blanks shows no line (every line carries a key).
constexpr std::size_t kIndentWidth = 15;

// The prompt sound of a cancelled edit, as on the ticket screens.
constexpr int kCancelSound = 11;

std::string upper(std::string_view s)
{
    return core::xbase::upper(s);
}

}  // namespace

const std::array<DocToolButton, kDocToolButtons>& documentToolBar()
{
    return kToolBar;
}

std::array<std::string, 3> lineButtonCaptions()
{
    return {T("เ&พิ่ม"), T("แ&ก้ไข"), T("&ลบ")};
}

// ---- LineEditor

std::string LineEditor::title() const
{
    return T(m_newLine ? "  เพิ่มรายการใหม่" : "  แก้ไขรายการเดิม");
}

bool LineEditor::save()
{
    if (complete() && !checkFit())
        return false;
    m_saved = true;
    return true;
}

std::string LineEditor::saveCaption()
{
    return T("&บันทึก");
}

std::string LineEditor::cancelCaption()
{
    return T("&ยกเลิก");
}

// ---- Helpers

bool openCatalogue(storage::Workspace& ws, const char* table, const char* alias)
{
    const storage::TableDef* def = storage::findTable(table);
    if (!def)
        return false;
    const std::string folder = core::programSettings().text(def->folderSetting);
    return storage::OPEN(ws, folder, def->name, def->indexes[0].key, false, T(def->openTitle), def->indexes[0].file,
                         alias);
}

void loadLineValues(storage::Table& t, core::ValueMap& values, std::initializer_list<const char*> fields)
{
    for (const char* f : fields) {
        core::Value v;
        if (!t.get(f, &v).ok())
            continue;
        values.set(std::string("cd") + f, v);  // names are matched without regard to case
    }
}

// ---- DocumentScreen

DocumentScreen::DocumentScreen(int level, DocumentHost& host)
    : m_host(host), m_level(level), m_tables(m_ws), m_screen(m_values), m_settings(core::programSettings()),
      m_context({&m_tables, &m_screen, &m_settings})
{
}

DocumentScreen::~DocumentScreen()
{
    close();
}

int DocumentScreen::mode() const
{
    return int(m_values.number("CSTEP"));
}

bool DocumentScreen::fieldEnabled(const std::string& name) const
{
    return m_enabledFields.count(upper(name)) > 0;
}

storage::Table& DocumentScreen::document()
{
    return *m_ws.find("Wdata");
}

storage::Table* DocumentScreen::lines()
{
    return hasLines() ? m_ws.find("Detail") : nullptr;
}

bool DocumentScreen::onLiveDocument()
{
    storage::Table& t = document();
    return !t.eof() && !t.deleted();
}

void DocumentScreen::setMode(int mode)
{
    m_values.setNumber("CSTEP", mode);
}

void DocumentScreen::enableFields(std::initializer_list<std::string> names)
{
    for (const std::string& n : names)
        m_enabledFields.insert(upper(n));
}

void DocumentScreen::requestFocus(const std::string& target)
{
    m_focus = target;
    if (m_listener)
        m_listener->focusRequested(target);
}

void DocumentScreen::notify()
{
    if (m_listener)
        m_listener->controlsChanged();
}

bool DocumentScreen::open()
{
    (void)m_ws.closeAll();
    if (!openTables()) {
        (void)m_ws.closeAll();
        return false;
    }
    m_open = true;
    initialValues();
    setMode(kBrowsing);
    m_values.setNumber("cTrusLevel", m_level);
    readConfig();
    m_cursor = std::make_unique<weighing::DocumentCursor>(m_ws, "Wdata");
    if (hasLines()) {
        std::vector<std::string> expressions;
        for (const weighing::BrowseColumn& c : lineColumns())
            expressions.push_back(c.expression);
        if (!storage::TableRowSource::create(*lines(), expressions, &m_lineSource, std::string(kIndentWidth, ' '),
                                             &m_context)
                 .ok()) {
            close();
            return false;
        }
        m_lineBrowse = std::make_unique<codes::TableBrowse>(m_ws, "Detail", *m_lineSource);
    }
    m_cursor->move(weighing::kMoveLast);
    display(false);
    return true;
}

void DocumentScreen::close()
{
    if (!m_open)
        return;
    m_lineBrowse.reset();
    m_lineSource.reset();
    m_cursor.reset();
    (void)m_ws.closeAll();
    m_values.clear();
    m_open = false;
}

bool DocumentScreen::mayClose()
{
    return mode() == kBrowsing && leaveCheck();
}

void DocumentScreen::goToRecord(std::uint32_t recno)
{
    storage::Table& t = document();
    (void)m_ws.select("Wdata");
    (void)t.goTo(recno == 0 ? t.recCount() + 1 : recno);
    m_cursor->forget();
}

void DocumentScreen::rememberPosition()
{
    storage::Table& t = document();
    m_values.setNumber("CPOS", t.eof() ? 0 : t.recNo());
}

void DocumentScreen::browseState()
{
    storage::Table& t = document();
    m_enabledFields.clear();
    const bool marked = !t.eof() && t.deleted();
    m_values.setText("cStat", T(marked ? "สั่งลบ" : "ปกติ"));
    m_values.setText("cRecP", m_cursor->recordPosition());

    m_buttons.fill(false);
    const bool any = t.recCount() > 0;
    const bool live = any && !t.eof() && !marked;
    for (DocButton b : {DocButton::Previous, DocButton::Next, DocButton::First, DocButton::Last, DocButton::Search,
                        DocButton::Exit, DocButton::New})
        setButton(b, true);
    setButton(DocButton::Delete, any && !t.eof());
    setButton(DocButton::Edit, live);
    setButton(DocButton::Print, live);
    for (DocButton b : {DocButton::LineAdd, DocButton::LineChange, DocButton::LineMark})
        setButton(b, live && hasLines());
    // What the access level takes away: 0-1 look only, 2 also print, 3 also new and new lines,
    // 4 also edit and change lines, 5 and above also delete and mark lines.
    if (m_level < 2)
        setButton(DocButton::Print, false);
    if (m_level < 3) {
        setButton(DocButton::New, false);
        setButton(DocButton::LineAdd, false);
    }
    if (m_level < 4) {
        setButton(DocButton::Edit, false);
        setButton(DocButton::LineChange, false);
    }
    if (m_level < 5) {
        setButton(DocButton::Delete, false);
        setButton(DocButton::LineMark, false);
    }
}

void DocumentScreen::editState(bool isNew)
{
    m_buttons.fill(false);
    setButton(DocButton::Save, true);
    setButton(DocButton::Cancel, true);
    setMode(isNew ? kNewDocument : kEditDocument);
}

void DocumentScreen::scopeLines(const std::string& indent, bool keepLine)
{
    if (!m_lineSource)
        return;
    const std::string scope =
        core::xbase::alltrim(indent).empty() ? std::string(kIndentWidth, ' ') : core::xbase::padRight(indent, kIndentWidth);
    const std::uint32_t at = keepLine && scope == m_lineSource->scope() ? m_lineSource->recNo() : 0;
    m_lineSource->setScope(scope);
    if (at != 0 && lines()->goTo(at).ok())
        m_lineBrowse->follow();
    else
        m_lineBrowse->refresh();
    (void)m_ws.select("Wdata");
}

bool DocumentScreen::currentLine()
{
    return m_lineBrowse && m_lineBrowse->sync();
}

bool DocumentScreen::checkFields(storage::Table& t, std::vector<weighing::FieldValue>& values, const FieldLabel& label)
{
    for (weighing::FieldValue& fv : values) {
        const int i = t.layout().find(fv.field);
        if (i >= 0)
            fv.value = weighing::asFieldType(fv.value, t.layout().fields()[std::size_t(i)].type);
    }
    const std::string misfit = weighing::firstMisfit(t, values);
    if (misfit.empty())
        return true;
    core::prompts().message(core::MessageKind::Info, weighing::misfitText(label(misfit)), T("  ส่วนบันทึกข้อมูล"));
    return false;
}

bool DocumentScreen::putFields(storage::Table& t, const std::vector<weighing::FieldValue>& values)
{
    storage::Status s;
    for (;;) {
        s = weighing::putAll(t, values);
        if (!weighing::faultRetry(s, "REPLACE", &t))
            break;
    }
    const bool committed = storage::commitAll(m_ws);
    (void)storage::unlockAll(m_ws);
    return s.ok() && committed;
}

bool DocumentScreen::writeFields(storage::Table& t, std::vector<weighing::FieldValue> values, const FieldLabel& label)
{
    return checkFields(t, values, label) && storage::REC_LOCK(m_ws) && putFields(t, values);
}

// ---- The tool bar

void DocumentScreen::PROCMOVE(int action)
{
    if (!m_open || mode() != kBrowsing || !leaveCheck())
        return;
    (void)m_ws.select("Wdata");
    if (action >= weighing::kSearchTickets) {
        std::string error;
        std::unique_ptr<weighing::SearchDialogModel> search = weighing::SearchDialogModel::create(m_ws, action, &error);
        if (search) {
            m_host.searchDocuments(*search);
            search->close();
        }
        m_cursor->forget();
    } else {
        m_cursor->move(action);
    }
    display(false);
}

void DocumentScreen::searchPressed()
{
    PROCMOVE(searchAction());
}

void DocumentScreen::newPressed()
{
    if (!m_open || !enabled(DocButton::New) || !leaveCheck())
        return;
    edit(true);
    snapshotEntries();
}

void DocumentScreen::editPressed()
{
    if (!m_open || mode() != kBrowsing || m_level < 4 || document().eof())
        return;
    if (document().deleted()) {
        core::prompts().message(core::MessageKind::Info, T("ข้อมูลนี้ถูกสั่งลบ"), T("  ไม่อนุญาตให้แก้ไขข้อมูล"));
        return;
    }
    edit(false);
    snapshotEntries();
}

void DocumentScreen::snapshotEntries()
{
    std::vector<std::string> entries;
    for (const ScreenField& f : fields())
        if (!f.readOnly)
            entries.push_back(f.name);
    m_snapshot.take(m_values, entries);
}

bool DocumentScreen::hasChanges() const
{
    return mode() != kBrowsing && m_snapshot.changed(m_values);
}

bool DocumentScreen::cancelPressed(bool typing)
{
    if (!m_open || mode() == kBrowsing)
        return true;
    if (!core::mayDiscard(typing || hasChanges(), T("  ยกเลิกการบันทึก")))
        return false;
    PCANCEL();
    return true;
}

bool DocumentScreen::closeRequested(bool typing)
{
    if (!m_open || mode() == kBrowsing)
        return mayClose();
    (void)cancelPressed(typing);
    return false;
}

void DocumentScreen::reportMissing(const std::string& name)
{
    if (m_listener)
        m_listener->fieldMissing(name, T("กรุณาระบุ") + weighing::fieldCaption(fields(), name));
    requestFocus(name);
}

void DocumentScreen::deletePressed()
{
    if (!m_open || !enabled(DocButton::Delete) || !leaveCheck())
        return;
    (void)m_ws.select("Wdata");
    weighing::Posting(m_ws, m_values).PDELETE(code());
    m_cursor->forget();
    display(false);
}

void DocumentScreen::printPressed()
{
    if (!m_open || !enabled(DocButton::Print) || !leaveCheck())
        return;
    (void)m_ws.select("Wdata");
    (void)weighing::PROPRN(m_ws, m_values, printForm(), hasLines());
    display(true);
}

void DocumentScreen::PCANCEL()
{
    if (!m_open || mode() == kBrowsing)
        return;
    core::TSOUND(kCancelSound);
    goToRecord(std::uint32_t(m_values.number("CPOS")));
    setMode(kBrowsing);
    display(false);
}

bool DocumentScreen::validate(const std::string&)
{
    return true;
}

// ---- The lines

bool DocumentScreen::MNDTDELE()
{
    if (!m_open || mode() != kBrowsing || !enabled(DocButton::LineMark) || !currentLine())
        return false;
    storage::Table& d = *lines();
    const bool marked = d.deleted();
    if (!core::prompts().confirm(T(marked ? "ยกเลิกเครื่องหมายลบ" : "สั่งทำเครื่องหมายลบ"), T("  กรุณายืนยันการทำงาน")))
        return false;
    // The document, then the mark, are read again under their locks, held until the line is posted
    // or reversed: another workstation may have deleted the document or changed the mark since they
    // were shown, and posting or reversing the line twice (or for a deleted document) would settle
    // or move twice.
    if (!lockLiveDocument()) {
        display(true);
        return false;
    }
    (void)m_ws.select("Detail");
    if (!storage::REC_LOCK(m_ws)) {
        (void)storage::unlockAll(m_ws);
        return false;
    }
    if (d.deleted() != marked) {
        (void)storage::unlockAll(m_ws);
        display(true);
        return false;
    }
    // A settlement line settles its ticket again only while the ticket is live and still has the
    // line's amount open (checked under the ticket's lock, kept for the posting): another voucher
    // may have settled it since the line was marked.
    if (marked && !weighing::lineMaySettleAgain(m_ws, nullptr)) {
        core::Value type, ticket;
        (void)d.get("TYPE", &type);
        (void)d.get("TICKET", &ticket);
        (void)storage::unlockAll(m_ws);
        core::prompts().message(core::MessageKind::Info,
                                T("ใบชั่ง ") + core::xbase::alltrim(type.asText()) + " " +
                                    core::xbase::alltrim(ticket.asText()) +
                                    T(" ไม่มียอดค้างพอแล้ว (ชำระจากใบสำคัญอื่นหรือถูกสั่งลบ) รายการนี้จึงยังคงถูกสั่งลบ"),
                                T("  การคำนวณยอดคงเหลือ"));
        display(true);
        return false;
    }
    (void)m_ws.select("Detail");
    for (;;) {
        const storage::Status s = marked ? d.recall() : d.deleteRecord();
        if (!weighing::faultRetry(s, marked ? "RECALL" : "DELETE", &d))
            break;
    }
    (void)storage::commitAll(m_ws);
    weighing::Posting posting(m_ws, m_values);
    posting.hold(d);
    posting.UPSTATUS(lineCode(), marked ? +1 : -1, true);
    posting.release();
    display(true);
    return true;
}

std::string DocumentScreen::indent()
{
    core::Value v;
    storage::Table& t = document();
    return !t.eof() && t.get("INDENT", &v).ok() && v.isText() ? v.asText() : std::string();
}

std::vector<weighing::FieldValue> DocumentScreen::documentLineFields()
{
    core::Value number, date;
    storage::Table& t = document();
    (void)t.get("TICKET", &number);
    (void)t.get("DATE", &date);
    return {{"DOC_NO", number}, {"DOC_DATE", date}};
}

bool DocumentScreen::appendLine(std::vector<weighing::FieldValue> values, const core::ValueMap* postWith)
{
    storage::Table* d = lines();
    if (!d || document().eof())
        return false;
    std::vector<weighing::FieldValue> line = {{"INDENT", core::Value::text(indent())}, {"RECORD", core::Value::text("")}};
    for (weighing::FieldValue& fv : documentLineFields())
        line.push_back(std::move(fv));
    for (weighing::FieldValue& fv : values)
        line.push_back(std::move(fv));
    if (!checkFields(*d, line, [this](const std::string& f) { return fieldLabel(f); }))
        return false;
    line[1].value = core::Value::text(storage::INDENT(m_ws));
    // The document is read again under its lock, held until the line is in and posted: another
    // workstation may have deleted it since this screen read it, and a line of a deleted document
    // would move the ledgers for nothing live.
    if (!lockLiveDocument())
        return false;
    (void)m_ws.select("Detail");
    if (!storage::ADD_REC(m_ws)) {
        (void)storage::unlockAll(m_ws);
        return false;
    }
    bool stored = false;
    if (!postWith) {
        stored = putFields(*d, line);
    } else {
        // Written and posted under the append's lock: a workstation marking the new line meanwhile
        // would otherwise reverse it before it was posted.
        stored = weighing::Posting(m_ws, *postWith)
                     .saveOver(lineCode(), false, nullptr,
                               [&line](storage::Table& t) { return weighing::putAll(t, line); }) ==
                 weighing::Posting::SaveResult::Saved;
    }
    (void)storage::unlockAll(m_ws);
    return stored;
}

bool DocumentScreen::lockLiveDocument()
{
    (void)m_ws.select("Wdata");
    if (!storage::REC_LOCK(m_ws))
        return false;
    if (!document().deleted())
        return true;
    (void)storage::unlockAll(m_ws);
    core::prompts().message(core::MessageKind::Info, T("ข้อมูลนี้ถูกสั่งลบจากเครื่องอื่นแล้ว"), T("  ส่วนบันทึกข้อมูล"));
    return false;
}

void DocumentScreen::editLines(bool newLine)
{
    if (!m_open || mode() != kBrowsing || !enabled(newLine ? DocButton::LineAdd : DocButton::LineChange) ||
        !onLiveDocument())
        return;
    std::uint32_t line = 0;
    if (!newLine) {
        if (!currentLine()) {
            core::prompts().message(core::MessageKind::Info, T("ไม่มีข้อมูลในตารางรหัส !"),
                                    T("  ส่วนแก้ไขข้อมูลในตารางรหัส"));
            return;
        }
        // A marked line was reversed when it was marked: changing it would reverse it again.
        if (lines()->deleted()) {
            core::prompts().message(core::MessageKind::Info, T("ข้อมูลนี้ถูกสั่งลบ"), T("  ส่วนแก้ไขข้อมูลในตารางรหัส"));
            return;
        }
        line = lines()->recNo();
    }
    for (;;) {
        std::unique_ptr<LineEditor> editor = makeLineEditor(newLine);
        m_host.editLine(*editor);
        if (!editor->saved() || !editor->complete())
            break;
        if (!newLine) {
            changeStoredLine(line, *editor);
            break;
        }
        if (!appendLine(editor->lineValues(), &editor->values()))
            break;
        const std::uint32_t added = lines()->recNo();
        display(true);
        if (lines()->goTo(added).ok())
            m_lineBrowse->follow();
        (void)m_ws.select("Wdata");
    }
    display(true);
}

// The stored line reversed (its audit rows written against the dialog's values), written and
// posted again under one hold of its lock - unless another workstation marked it meanwhile
// (reversing it then would take it out twice) or a value does not fit. One marking it now waits.
void DocumentScreen::changeStoredLine(std::uint32_t line, LineEditor& editor)
{
    storage::Table& d = *lines();
    std::vector<weighing::FieldValue> values = documentLineFields();
    for (weighing::FieldValue& fv : editor.lineValues())
        values.push_back(std::move(fv));
    (void)m_ws.select("Detail");
    if (!d.goTo(line).ok() || !checkFields(d, values, [this](const std::string& f) { return fieldLabel(f); }))
        return;
    const auto saved = weighing::Posting(m_ws, editor.values())
                           .saveOver(lineCode(), true, [](storage::Table& stored) { return !stored.deleted(); },
                                     [&values](storage::Table& stored) { return weighing::putAll(stored, values); });
    if (saved == weighing::Posting::SaveResult::Changed)
        core::prompts().message(core::MessageKind::Info, T("ข้อมูลนี้ถูกสั่งลบ"), T("  ส่วนแก้ไขข้อมูลในตารางรหัส"));
}

void DocumentScreen::lineActivated(int)
{
    if (m_open && mode() == kBrowsing && enabled(DocButton::LineChange))
        changeLine();
}

}  // namespace accounts
