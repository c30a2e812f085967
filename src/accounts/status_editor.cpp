#include "accounts/status_editor.h"

#include "accounts/status_screen.h"
#include "codes/code_tables.h"
#include "codes/pick_list.h"
#include "core/clock.h"
#include "core/fault.h"
#include "core/prompts.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/fault_bridge.h"
#include "storage/field_codec.h"
#include "storage/ops.h"
#include "storage/os.h"

namespace accounts {
namespace {

using core::tis620::T;
namespace xb = core::xbase;
using codes::retryAfter;

const storage::Field* fieldOf(storage::Table& t, std::string_view name)
{
    const int i = t.fieldIndex(name);
    return i < 0 ? nullptr : &t.layout().fields()[std::size_t(i)];
}

int nameWidth(int codeTable)
{
    for (const storage::FieldDef& f : storage::codeTable(codeTable).fields)
        if (std::string_view(f.name) == "NAME")
            return f.length;
    return 1;
}

// The decimals a number picture ("999,999,999.99") edits.
int pictureDecimals(std::string_view picture)
{
    const auto dot = picture.find('.');
    return dot == std::string_view::npos ? 0 : int(picture.size() - dot - 1);
}

}  // namespace

StatusEditor::StatusEditor(codes::TableBrowse& browse, const StatusDef& def, bool adding)
    : m_browse(browse), m_def(def), m_adding(adding)
{
}

std::string StatusEditor::title() const
{
    return T(m_adding ? m_def.addTitleUtf8 : m_def.changeTitleUtf8);
}

std::string StatusEditor::label(const StatusEditorRow& row)
{
    return T(row.labelUtf8);
}

int StatusEditor::width(const StatusEditorRow& row)
{
    if (row.entry == StatusEntry::Name)
        return nameWidth(row.codeTable);
    const storage::Field* f = fieldOf(table(), row.value);
    return f ? int(f->length) : 1;
}

const StatusEditorRow* StatusEditor::row(std::string_view name) const
{
    for (const StatusEditorRow& r : m_def.rows)
        if (xb::equalsNoCase(r.value, name))
            return &r;
    return nullptr;
}

std::string StatusEditor::key() const
{
    std::string out;
    for (const char* f : m_def.keyFields) {
        const storage::Field* field = fieldOf(m_browse.table(), f);
        const std::size_t width = field ? field->length : 10;
        out += xb::padRight(m_values.text(f).substr(0, width), width);
    }
    return out;
}

bool StatusEditor::begin()
{
    storage::Table& t = table();
    const bool onRow = m_browse.sync();
    m_remembered = onRow ? t.recNo() : 0;
    if (!m_adding && !onRow) {
        core::prompts().message(core::MessageKind::Info, T("ไม่มีข้อมูลในตารางรหัส !"),
                                T("  ส่วนแก้ไขข้อมูลในตารางรหัส"));
        return false;
    }
    // A new row's buffers start as a blank record reads.
    std::string record = t.layout().blankRecord();
    if (!m_adding) {
        const char* stored = nullptr;
        if (const storage::Status s = t.record(&stored); !s.ok()) {
            (void)retryAfter(s, "READ", t);
            return false;
        }
        record.assign(stored, record.size());
    }
    m_values.clear();
    for (const StatusEditorRow& r : m_def.rows) {
        if (r.entry == StatusEntry::Name)
            m_values.setText(r.value, std::string(std::size_t(width(r)), ' '));
        else if (const storage::Field* f = fieldOf(t, r.value))
            m_values.set(r.value, storage::field::value(*f, record.data()));
    }
    m_oldKey = key();
    m_read = m_values;
    for (const StatusEditorRow& r : m_def.rows) {
        if (r.entry == StatusEntry::Date && m_values.get(r.value).asDate().isEmpty())
            m_values.set(r.value, core::Value::date(core::clock().today()));
        if (r.entry == StatusEntry::Code && r.nameValue)
            fillName(r);
    }
    m_snapshot.take(m_values);
    return true;
}

void StatusEditor::fillName(const StatusEditorRow& codeRow)
{
    const StatusEditorRow* nameRow = row(codeRow.nameValue);
    if (!nameRow)
        return;
    std::string name(std::size_t(width(*nameRow)), ' ');
    storage::Table* names = workspace().find(codes::codeTableDef(codeRow.codeTable).alias);
    const std::string code = xb::padRight(m_values.text(codeRow.value), std::size_t(codes::kCodeWidth));
    if (names && !xb::alltrim(code).empty()) {
        const storage::Status s = names->seek(code);
        core::Value v;
        if (!s.ok())
            (void)retryAfter(s, "SEEK", *names);
        else if (names->found() && names->get("NAME", &v).ok() && v.isText())
            name = v.asText();
    }
    m_values.setText(nameRow->value, name);
}

bool StatusEditor::check(std::string_view name)
{
    const StatusEditorRow* r = row(name);
    if (!r)
        return true;
    switch (r->entry) {
    case StatusEntry::Code:
        if (!checkCode(*r))
            return false;
        break;
    case StatusEntry::Text:
        m_values.setText(r->value, xb::upper(m_values.text(r->value)));
        break;
    case StatusEntry::Name:
    case StatusEntry::Number:
    case StatusEntry::Date:
        return true;
    }
    return !r->key || checkKey();
}

bool StatusEditor::checkCode(const StatusEditorRow& r)
{
    if (!codes::pickCode(workspace(), r.codeTable, m_values, r.value, kStatusAlias))
        return false;
    if (r.nameValue)
        fillName(r);
    return true;
}

bool StatusEditor::checkKey()
{
    // Checked once the whole key is there: a part still blank is typed later, and checked then.
    for (const char* f : m_def.keyFields)
        if (xb::alltrim(m_values.text(f)).empty())
            return true;
    return codes::CODCHK(table(), m_oldKey, key(), 1);
}

bool StatusEditor::changed(const StatusEditorRow& r) const
{
    const core::Value& now = m_values.get(r.value);
    const core::Value& was = m_read.get(r.value);
    if (now.isNumber() && was.isNumber()) {
        const int decimals = pictureDecimals(r.picture);
        return xb::roundDecimal(now.asNumber(), decimals) != xb::roundDecimal(was.asNumber(), decimals);
    }
    return !(now == was);
}

bool StatusEditor::save()
{
    if (xb::alltrim(m_values.text("CODE")).empty())
        return true;  // closes without writing; STATEDIT puts the browse back
    if (!write(m_adding || key() != m_oldKey))
        return false;
    m_saved = true;
    return true;
}

bool StatusEditor::write(bool newKey)
{
    (void)workspace().select(kStatusAlias);
    codes::EditedRow row{m_adding, m_remembered, newKey, key(), {}, {}};
    // Names are shown from their code tables, never stored; a changed row writes only what changed.
    for (const StatusEditorRow& r : m_def.rows)
        if (r.entry != StatusEntry::Name && (m_adding || changed(r)))
            row.values.emplace_back(r.value, m_values.get(r.value));
    for (const char* f : m_def.keyFields)
        row.keyFields.emplace_back(f);
    if (!codes::saveEditedRow(workspace(), table(), row, m_beforeWrite))
        return false;
    if (m_adding)
        codes::BROWADJ(m_browse, storage::findTable(m_def.table)->indexes[0].key, "");
    else
        m_browse.follow();
    return true;
}

void StatusEditor::restore()
{
    if (const storage::Status s = table().goTo(m_remembered); !s.ok())
        (void)retryAfter(s, "GOTO", table());
    m_browse.follow();
}

void StatusEditor::cancel()
{
    restore();
}

void STATEDIT(codes::TableBrowse& browse, const StatusDef& def, bool adding)
{
    StatusEditor editor(browse, def, adding);
    if (editor.begin()) {
        statusScreens().showEditor(editor);
        if (!editor.saved())
            editor.cancel();
    }
    browse.refresh();
}

}  // namespace accounts
