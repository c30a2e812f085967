#include "scale/weight_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/entry_field.h"
#include "ui/fonts.h"
#include "ui/thai_text.h"

namespace scale {
namespace {

QColor qtColour(Colour c)
{
    switch (c) {
    case Colour::Black: return Qt::black;
    case Colour::White: return Qt::white;
    case Colour::Red: return Qt::red;
    case Colour::Green: return QColor(0, 0xc0, 0);
    case Colour::Blue: return QColor(0, 0, 0xa0);
    }
    return Qt::black;
}

void setColours(QWidget* w, Colours c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, qtColour(c.background));
    pal.setColor(QPalette::WindowText, qtColour(c.text));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

}  // namespace

WeightDialog::WeightDialog(int which, WeighTarget* target, QWidget* parent)
    : ui::Dialog(WeightDialogModel::title(), parent), m_driver(m_serial), m_model(which, m_serial, m_driver, target)
{
    m_driver.attach(m_model);
    m_model.setListener(this);
    m_model.open();
    setColours(this, WeightDialogModel::dialogColours());

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    if (m_model.portFieldShown()) {
        auto* label = new QLabel(QString::fromLatin1(WeightDialogModel::portLabel().c_str()), this);
        m_portField = new ui::EntryField(ui::Picture::parse("@!", core::Value::Type::Text, 1), this);
        m_portField->setValue(core::Value::text(m_model.portField()));
        m_portField->setValidation([this](ui::EntryField& f) {
            bool ok = true;
            m_model.setPortField(f.value(&ok).asText());
            const bool started = m_model.MULTISCL();
            f.setValue(core::Value::text(m_model.portField()));
            f.setEnabled(m_model.portFieldEnabled());
            return started;
        });
        label->setBuddy(m_portField);
        top->addWidget(label);
        top->addWidget(m_portField);
    }
    top->addStretch(1);
    m_accept = new QPushButton(ui::fromTis(WeightDialogModel::acceptCaption()), this);
    m_accept->setAutoDefault(false);
    connect(m_accept, &QPushButton::clicked, this, [this] { m_model.acceptPressed(); });
    top->addWidget(m_accept);
    layout->addLayout(top);

    auto* box = new QFrame(this);
    box->setFrameShape(QFrame::Box);
    box->setLineWidth(2);
    auto* boxLayout = new QVBoxLayout(box);
    m_weight = new QLabel(box);
    const WeightFont wf = WeightDialogModel::weightFont();
    QFont font = ui::makeFont(wf.face, wf.width, wf.height);
    font.setBold(wf.bold);
    m_weight->setFont(font);
    m_weight->setAlignment(Qt::AlignCenter);
    m_weight->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QStringLiteral("-888,888 Kg.")) + 24);
    boxLayout->addWidget(m_weight);
    layout->addWidget(box);
    weightChanged();
}

WeightDialog::~WeightDialog()
{
    m_model.setListener(nullptr);
    m_model.finish();
}

void WeightDialog::showEvent(QShowEvent* event)
{
    ui::Dialog::showEvent(event);
    if (m_displayed)
        return;
    m_displayed = true;
    // DISPLAYW once the dialog is up: it may tell the person something or close the dialog.
    QTimer::singleShot(0, this, [this] { m_model.DISPLAYW(); });
}

void WeightDialog::showColours()
{
    setColours(m_weight, m_model.weightColours());
}

void WeightDialog::weightChanged()
{
    m_weight->setText(ui::fromTis(m_model.weightText()));
    showColours();
}

void WeightDialog::focusPortField()
{
    if (m_portField) {
        m_portField->setEnabled(true);
        m_portField->setFocus();
    }
}

void WeightDialog::closeDialog()
{
    m_closeRequested = true;
    // The model asks from inside its own call (a tick, a button); close once that has returned.
    QTimer::singleShot(0, this, [this] { done(QDialog::Accepted); });
}

void WeightDialog::done(int result)
{
    if (!m_closeRequested && !m_model.mayClose())
        return;  // Escape and the window's close button while the weight may not be taken
    ui::Dialog::done(result);
}

std::optional<long long> WeightDialog::run()
{
    exec();
    m_model.finish();
    return m_model.delivered();
}

std::optional<long long> READW(int which, WeighTarget* target, QWidget* parent)
{
    WeightDialog dialog(which, target, parent);
    return dialog.run();
}

}  // namespace scale
