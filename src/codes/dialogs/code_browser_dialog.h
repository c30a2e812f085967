// The code browser on the screen: a thin dialog over a codes::CodeBrowser - the code box and the
// search box above, the browse of the table's columns, the buttons and the record count below. It
// forwards the boxes' exits, the buttons, Enter and double clicks to the model and redraws what the
// model changed. GUI thread only; the model outlives the dialog.
#pragma once

#include "codes/code_browser.h"
#include "ui/browse_widget.h"
#include "ui/dialog.h"
#include "ui/entry_field.h"

class QLabel;
class QPushButton;

namespace codes {

class CodeBrowserDialog : public ui::Dialog {
    Q_OBJECT
public:
    enum class Button { Search, Ok, Add, Edit, Delete, Top, Bottom };

    explicit CodeBrowserDialog(CodeBrowser& model, QWidget* parent = nullptr);
    ~CodeBrowserDialog() override;

    ui::EntryField* codeBox() const { return m_code; }
    ui::EntryField* searchBox() const { return m_search; }
    ui::BrowseWidget* browse() const { return m_browse; }
    QPushButton* button(Button b) const;
    QLabel* countLabel() const { return m_count; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* addButton(Button b, const char* captionUtf8, void (CodeBrowserDialog::*action)());
    bool commitBoxes();
    void refreshFromModel();
    void search();
    void ok();
    void add();
    void edit();
    void remove();
    void top();
    void bottom();

    CodeBrowser& m_model;
    ui::EntryField* m_code;
    ui::EntryField* m_search;
    ui::BrowseWidget* m_browse;
    QLabel* m_count;
    std::vector<std::pair<Button, QPushButton*>> m_buttons;
    bool m_opened = false;
};

}  // namespace codes
