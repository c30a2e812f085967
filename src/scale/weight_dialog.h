// The weight dialog on the screen (READW): a thin Qt dialog over scale::WeightDialogModel, reading
// through QtSerialPort and the ReadingDriver, so the window never freezes while the indicator is
// read. White on blue; the weight in large digits whose colours tell whether it may be taken; the
// accept button; the port field when the settings name no port 1..4. It refuses to close while a
// reading runs and the weight may not be taken. GUI thread only.
#pragma once

#include <optional>

#include "scale/live_weight.h"
#include "scale/qt_serial_port.h"
#include "scale/reading_driver.h"
#include "scale/weight_dialog_model.h"
#include "ui/dialog.h"

class QLabel;
class QPushButton;

namespace ui {
class EntryField;
}

namespace scale {

class WeightDialog : public ui::Dialog, private WeightDialogListener {
    Q_OBJECT
public:
    WeightDialog(int which, WeighTarget* target, QWidget* parent = nullptr);
    ~WeightDialog() override;

    WeightDialogModel& model() { return m_model; }
    QLabel* weightLabel() const { return m_weight; }
    QPushButton* acceptButton() const { return m_accept; }
    ui::EntryField* portField() const { return m_portField; }

    // READW's whole run: sound 12 and the port chosen, the dialog shown until it closes, the
    // timer and port stopped, the weight delivered. The weight taken, if any.
    std::optional<long long> run();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void weightChanged() override;
    void focusPortField() override;
    void closeDialog() override;
    void showColours();

    PortLease m_lease;  // first made, last gone: the live weight has the port again after this closed it
    QtSerialPort m_serial;
    ReadingDriver m_driver;
    WeightDialogModel m_model;
    QLabel* m_weight = nullptr;
    QPushButton* m_accept = nullptr;
    ui::EntryField* m_portField = nullptr;
    bool m_displayed = false;
    bool m_closeRequested = false;
};

// READW(which): the weight dialog for the first (1) or second (2) weight of the ticket screen
// behind `target`; the weight taken, if any.
std::optional<long long> READW(int which, WeighTarget* target, QWidget* parent = nullptr);

}  // namespace scale
