#include "weighing/dialogs/document_form.h"

#include <QLabel>
#include <algorithm>

#include "core/tis620.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

namespace weighing {
namespace {

using core::tis620::T;

constexpr int kReadOnlyBack = 0xF0F0F0;  // light grey, as a Windows colour number
constexpr int kBankShown = 20;

}  // namespace

std::vector<ui::FormRow> documentFormRows(const std::vector<TicketField>& fields,
                                          const std::function<bool(const std::string&)>& enabled,
                                          const std::function<bool(const std::string&)>& validate)
{
    std::vector<ui::FormRow> rows;
    for (const TicketField& f : fields) {
        ui::FormRow r;
        r.label = f.payPart ? std::string() : f.label;
        r.name = f.name;
        r.picture = f.picture;
        r.width = f.width;
        if (f.width > kLongestShownText && f.picture.find('9') == std::string::npos)
            r.displayChars = kLongestShownText;
        if (f.name == "cChq_Bank")
            r.displayChars = std::min(f.width, kBankShown);
        if (f.shown > 0)
            r.displayChars = f.shown;
        r.recalc = f.recalc;
        r.gridRow = f.row;
        r.gridColumn = f.column;
        const std::string name = f.name;
        if (f.readOnly)
            r.enabledWhen = [] { return false; };
        else if (enabled)
            r.enabledWhen = [enabled, name] { return enabled(name); };
        if (f.validates)
            r.validation = [validate, name](ui::EntryField&) { return validate(name); };
        rows.push_back(std::move(r));
    }
    return rows;
}

void dressDocumentForm(ui::Form& form, const std::vector<TicketField>& fields)
{
    for (const TicketField& f : fields) {
        ui::EntryField* e = form.field(f.name);
        if (!e)
            continue;
        if (f.name == "cChq_No") {
            form.addToCell(f.row, f.column, new QLabel(ui::fromTis(T("เช็ค")), &form), true);
            e->setPlaceholderText(ui::fromTis(T("เลขที่เช็ค")));
        } else if (f.name == "cChq_Bank") {
            e->setPlaceholderText(ui::fromTis(T("ธนาคาร")));
        } else if (f.readOnly && f.name != "cStat" && f.name != "cRecP") {
            ui::paintColours(e, ui::kWindowsBlack, kReadOnlyBack);
        }
    }
}

void markMissing(ui::Form& form, ui::MessageBar& bar, const std::string& name, const std::string& note)
{
    ui::EntryField* field = form.field(name);
    bar.setText(note);
    if (!field)
        return;
    field->setMissing(true);
    QObject::connect(field, &ui::EntryField::leftValid, &bar, [&bar] { bar.setText({}); }, Qt::SingleShotConnection);
}

void clearMissing(ui::Form& form, ui::MessageBar& bar, const std::vector<TicketField>& fields)
{
    bool marked = false;
    for (const TicketField& f : fields)
        if (ui::EntryField* e = form.field(f.name); e && e->property("missing").toBool()) {
            e->setMissing(false);
            marked = true;
        }
    if (marked)
        bar.setText({});
}

}  // namespace weighing
