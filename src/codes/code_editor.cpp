#include "codes/code_editor.h"

#include "codes/code_browser.h"
#include "codes/code_tables.h"
#include "codes/pick_list.h"
#include "core/fault.h"
#include "core/prompts.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/fault_bridge.h"
#include "storage/field_codec.h"
#include "storage/ops.h"

namespace codes {
namespace {

using core::tis620::T;
namespace xb = core::xbase;

std::uint32_t where(storage::Table& t)
{
    return t.eof() ? 0 : t.recNo();
}

const storage::Field* fieldOf(storage::Table& t, const char* name)
{
    const int i = t.fieldIndex(name);
    return i < 0 ? nullptr : &t.layout().fields()[std::size_t(i)];
}

}  // namespace

CodeEditor::CodeEditor(TableBrowse& browse, int number, bool adding, int level)
    : m_browse(browse), m_def(editorDef(number)), m_adding(adding), m_level(level)
{
}

std::string CodeEditor::valueName(const EditorRow& row)
{
    return row.value ? row.value : row.field;
}

std::string CodeEditor::label(const EditorRow& row)
{
    return T(row.labelUtf8);
}

int CodeEditor::width(const EditorRow& row)
{
    const storage::Field* f = fieldOf(table(), row.field);
    return f ? int(f->length) : 1;
}

std::string CodeEditor::picture(const EditorRow& row)
{
    if (row.picture && *row.picture)
        return row.picture;
    const storage::Field* f = fieldOf(table(), row.field);
    if (!f || f->type != storage::FieldType::Numeric)
        return {};
    // The field's own format: its whole places, then the point and its decimals.
    const int decimals = f->decimals;
    const int whole = int(f->length) - (decimals > 0 ? decimals + 1 : 0);
    std::string p(std::size_t(std::max(1, whole)), '9');
    if (decimals > 0)
        p += "." + std::string(std::size_t(decimals), '9');
    return p;
}

std::string CodeEditor::title() const
{
    return T(m_adding ? m_def.addTitleUtf8 : m_def.changeTitleUtf8);
}

bool CodeEditor::begin()
{
    storage::Table& t = table();
    const bool onRow = m_browse.sync();
    m_remembered = where(t);
    if (!m_adding && !onRow) {
        core::prompts().message(core::MessageKind::Info, T("ไม่มีข้อมูลในตารางรหัส !"),
                                T("  ส่วนแก้ไขข้อมูลในตารางรหัส"));
        return false;
    }
    // A new row's buffers start as a blank record reads.
    const std::string blank = t.layout().blankRecord();
    const char* record = blank.data();
    if (!m_adding) {
        if (const storage::Status s = t.record(&record); !s.ok()) {
            (void)retryAfter(s, "READ", t);
            return false;
        }
    }
    m_values.clear();
    for (const EditorRow& row : m_def.rows)
        if (const storage::Field* f = fieldOf(t, row.field))
            m_values.set(valueName(row), storage::field::value(*f, record));
    m_oldCode = m_adding ? std::string(std::size_t(width(m_def.rows[0])), ' ') : m_values.text("CODE");
    m_snapshot.take(m_values);
    return true;
}

bool CodeEditor::userButtons() const
{
    return m_def.number == 4 && !m_adding && m_level >= 6;
}

bool CodeEditor::check(std::string_view name)
{
    for (const EditorRow& row : m_def.rows) {
        if (!xb::equalsNoCase(valueName(row), name))
            continue;
        const std::string& value = m_values.text(name);
        switch (row.check) {
        case EntryCheck::Code:
            return !xb::alltrim(value).empty() && CODCHK(table(), m_oldCode, value);
        case EntryCheck::Name:
            return !xb::alltrim(value).empty();
        case EntryCheck::Free:
            return true;
        case EntryCheck::Unit:
            return checkUnit(std::string(name));
        }
    }
    return true;
}

bool CodeEditor::checkUnit(const std::string& name)
{
    const std::string typed = m_values.text(name);
    const PickResult r = pickList().pick(workspace(), 6, typed, codeTableDef(m_def.number).alias, false);
    m_values.setText(name, r.accepted() ? r.code : typed);
    return r.accepted();
}

bool CodeEditor::save()
{
    const std::string code = m_values.text("CODE");
    if (xb::alltrim(code).empty())
        return true;  // closes without writing; CEDIT puts the browse back
    if (!write(m_adding || code != m_oldCode))
        return false;
    m_saved = true;
    return true;
}

bool CodeEditor::write(bool changedCode)
{
    (void)workspace().select(codeTableDef(m_def.number).alias);
    EditedRow row{m_adding, m_remembered, changedCode, m_values.text("CODE"), {}, {"CODE"}};
    for (const EditorRow& r : m_def.rows)
        row.values.emplace_back(r.field, m_values.get(valueName(r)));
    if (!saveEditedRow(workspace(), table(), row, m_beforeWrite))
        return false;
    if (m_adding)
        BROWADJ(m_browse, codeTableDef(m_def.number).browadjKey, "");
    else
        m_browse.follow();
    return true;
}

void CodeEditor::restore()
{
    if (const storage::Status s = table().goTo(m_remembered); !s.ok())
        (void)retryAfter(s, "GOTO", table());
    m_browse.follow();
}

void CodeEditor::cancel()
{
    restore();
}

void CEDIT(TableBrowse& browse, bool adding, int number, int level)
{
    const bool onRow = browse.sync();
    if (!adding && (!onRow || browse.table().deleted())) {
        core::prompts().message(core::MessageKind::Info, T("ไม่สามารถแก้ไขข้อมูลนี้ได้"), T("ส่วนทำการแก้ไขรหัสข้อมูล"));
        browse.refresh();
        return;
    }
    CodeEditor editor(browse, number, adding, level);
    if (editor.begin()) {
        codeScreens().showEditor(editor);
        if (!editor.saved())
            editor.cancel();
    }
    browse.refresh();
}

}  // namespace codes
