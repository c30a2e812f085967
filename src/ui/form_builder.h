// Forms built from a declarative table of rows: each row binds one entry field to a screen value
// of a core::ValueMap, with its label, picture, width, validation, recalculation position,
// enabled-when rule and folder page. One builder serves every form of the program, so a screen is
// its table of rows plus its buttons.
//
// Layout: rows go one under the other (label, then the entry), unless a row names a cell of a grid
// of label/entry column pairs (gridRow, gridColumn): a document screen with two columns of fields
// per line. Entries placed in the same cell stand side by side after the cell's label; widgets
// that are not entries (buttons, heading bands) can be put into a cell with addToCell().
//
// Binding: the fields show the map's values when built; leaving a field writes its value into the
// map, then runs the row's validation (false keeps the focus in the field), then, when it passed,
// calls the form's recalculation with the row's position and re-evaluates every enabled-when rule.
// Whatever the model writes into the map shows in its field at once (the form is the map's
// observer while it lives; the map has one observer, so one form per map at a time).
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/value_map.h"
#include "ui/dialog.h"
#include "ui/entry_field.h"

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace ui {

class Folder;

struct FormRow {
    std::string label{};  // TIS-620; "&" marks the access key; empty: a further entry under the label above
    std::string name{};   // the screen value it edits
    std::string picture{};  // xBase picture ("@!", "99,999.99", "99:99:99", "" ...)
    int width = 0;        // bytes of a free text; 0: the width of the value's text (at least 1)
    EntryField::Validation validation{};  // may be empty
    int recalc = -1;                    // recalculation position, -1 for none
    std::function<bool()> enabledWhen{};  // empty: always enabled
    std::string page{};                 // folder page caption (TIS-620, "&" access key); empty: no folder
    int displayChars = 0;               // width of the box in characters; 0: as the picture
    bool masked = false;                // a password
    int gridRow = -1;                   // 1.. a line of the grid; -1: the next line of the plain layout
    int gridColumn = 0;                 // the label/entry column pair of the grid line (0 left, 1 right ...)
};

class Form : public QWidget {
    Q_OBJECT
public:
    Form(core::ValueMap& values, std::vector<FormRow> rows, QWidget* parent = nullptr);
    ~Form() override;

    EntryField* field(std::string_view name) const;
    // The label shown before a row's entry (nullptr when the row has none).
    QLabel* label(std::string_view name) const;
    // Puts a widget into a grid cell: into its label column, or after the entries already there.
    void addToCell(int gridRow, int gridColumn, QWidget* widget, bool asLabel = false);
    Folder* folder() const { return m_folder; }
    void setRecalculation(std::function<void(int position)> recalc) { m_recalc = std::move(recalc); }

    // Shows every value of the map again and re-evaluates the enabled-when rules.
    void refresh();
    void updateEnabled();
    // Commits and validates the field being edited; false when it failed (the focus stays there).
    bool commitPending();
    // Some field has been typed into and not left yet.
    bool typing() const;
    // The queued exits of fields left without typing are not run (EntryField::dropUntypedExit).
    void dropUntypedExits();

private:
    struct Bound {
        FormRow row;
        EntryField* field;
        QLabel* label;
    };
    QHBoxLayout* cell(int gridRow, int gridColumn);

    core::ValueMap& m_values;
    QGridLayout* m_grid = nullptr;  // the cells of rows placed by gridRow
    std::vector<std::pair<std::pair<int, int>, QHBoxLayout*>> m_cells;
    std::vector<Bound> m_bound;
    std::function<void(int)> m_recalc;
    Folder* m_folder = nullptr;
};

// A modal dialog holding one form and a row of buttons under it, centred.
class FormDialog : public Dialog {
    Q_OBJECT
public:
    FormDialog(const std::string& title, core::ValueMap& values, std::vector<FormRow> rows, QWidget* parent = nullptr);

    Form& form() { return *m_form; }
    // A button under the form (caption TIS-620 with "&"). A validating button first commits the
    // field being edited and acts only when it passed; a button that does not validate (Cancel)
    // takes no focus, so leaving a field for it runs no validation.
    QPushButton* addButton(const std::string& caption, std::function<void()> action, bool validates = true);

private:
    Form* m_form;
    QWidget* m_buttons;
};

}  // namespace ui
