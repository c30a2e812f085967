// The exit confirmation (FINISH) on the screen: the goodbye picture, the question and OK/Cancel,
// over shell::FinishModel. GUI thread only.
#pragma once

#include "shell/main_window_model.h"
#include "ui/dialog.h"

class QPushButton;

namespace shell {

class FinishDialog : public ui::Dialog {
    Q_OBJECT
public:
    explicit FinishDialog(QWidget* parent = nullptr);
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// FINISH: true when the person confirmed (sound 9 has then played to its end).
bool FINISH(QWidget* parent = nullptr);

}  // namespace shell
