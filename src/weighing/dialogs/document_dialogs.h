// The small browse dialogs of the document screens on the screen: the list to choose one row from
// (the trucks waiting for weigh-out, a customer's sales orders: weighing::ListDialogModel) and the
// search dialog of PROCMOVE 5-8 (weighing::SearchDialogModel). Both show a ui::BrowseWidget over
// the model's row source in the document colours - heading white on red, the focused row on green,
// rows marked deleted in red - and forward buttons, Enter and double clicks to the model. Thin:
// the models decide. GUI thread only; the model outlives its dialog.
#pragma once

#include <vector>

#include "ui/browse_widget.h"
#include "ui/dialog.h"
#include "ui/entry_field.h"
#include "weighing/list_dialog_model.h"
#include "weighing/navigation.h"

class QPushButton;

namespace weighing {

// The browse columns of a model's columns: headings as written (their blanks kept), numbers
// right-aligned, each `width` pixels wide (0: wide enough for its heading).
std::vector<ui::BrowseColumn> browseColumns(const std::vector<BrowseColumn>& columns, int width = 0);

// A browse in the document colours over a row source, connected to the model's TableBrowse so
// SACTION's moves and redraws show.
ui::BrowseWidget* documentBrowse(core::RowSource& source, codes::TableBrowse& browse,
                                 std::vector<ui::BrowseColumn> columns, QWidget* parent);

// The list: a double click, Enter or "เ&ลือก" chooses the highlighted row and closes the dialog;
// the window's close or Escape leaves without a choice.
class ListDialog : public ui::Dialog {
    Q_OBJECT
public:
    explicit ListDialog(ListDialogModel& model, QWidget* parent = nullptr);
    ~ListDialog() override;

    ui::BrowseWidget* browse() const { return m_browse; }
    QPushButton* chooseButton() const { return m_choose; }

private:
    void choose();

    ListDialogModel& m_model;
    ui::BrowseWidget* m_browse;
    QPushButton* m_choose;
};

// The search dialog "  กรุณาเลือกข้อมูลที่ท่านต้องการ": the browse, the buttons "&ตกลง" (closes),
// "&บนสุด", "&ล่างสุด" and "&ค้นหา", and the search text box of 40 characters. Leaving the box,
// Enter in it included, searches from the row after the highlighted one; Enter on the browse or a
// double click closes the dialog. However it closes, the highlighted row is the screen's document
// (the caller runs the model's close()).
class SearchDialog : public ui::Dialog {
    Q_OBJECT
public:
    explicit SearchDialog(SearchDialogModel& model, QWidget* parent = nullptr);
    ~SearchDialog() override;

    enum class Button { Ok, Top, Bottom, Search };
    ui::BrowseWidget* browse() const { return m_browse; }
    ui::EntryField* searchBox() const { return m_box; }
    QPushButton* button(Button b) const;

private:
    void search();

    SearchDialogModel& m_model;
    ui::BrowseWidget* m_browse;
    ui::EntryField* m_box;
    std::vector<std::pair<Button, QPushButton*>> m_buttons;
};

}  // namespace weighing
