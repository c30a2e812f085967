// The entry form of a document screen (tickets, vouchers, production records) on the screen: the
// model's fields as form rows, and what the form shows beyond its entries. Shared by the ticket
// and voucher dialogs so both screens look and fit alike.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/form_builder.h"
#include "weighing/ticket_screen.h"

namespace ui {
class MessageBar;
}

namespace weighing {

// Long texts (names, remarks) show this many characters and scroll within their box, so the
// screens fit a 1024 x 768 display.
inline constexpr int kLongestShownText = 36;

// The form rows of the fields: a pay part has no label (its pay button stands there), a read-only
// field is never enabled, others as `enabled` says (empty: always), `validate` runs for the fields
// that validate when left.
std::vector<ui::FormRow> documentFormRows(const std::vector<TicketField>& fields,
                                          const std::function<bool(const std::string&)>& enabled,
                                          const std::function<bool(const std::string&)>& validate);

// After the form is built: the cheque's number and bank boxes named (a "เช็ค" label and the hint of
// each box), and the entries the person never types into shaded grey.
void dressDocumentForm(ui::Form& form, const std::vector<TicketField>& fields);

// A field the screen found empty though it must be filled: highlighted until it is next left, and
// named by `note` (TIS-620) in the message bar until then.
void markMissing(ui::Form& form, ui::MessageBar& bar, const std::string& name, const std::string& note);
// The entry ended (saved or cancelled): no field is marked, the message bar shows its default.
void clearMissing(ui::Form& form, ui::MessageBar& bar, const std::vector<TicketField>& fields);

}  // namespace weighing
