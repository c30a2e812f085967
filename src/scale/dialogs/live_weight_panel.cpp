#include "scale/dialogs/live_weight_panel.h"

#include <QLabel>
#include <QVBoxLayout>

#include "scale/live_reader.h"

namespace scale {
namespace {

QColor faceColour(LiveState state)
{
    switch (state) {
    case LiveState::Stable: return QColor(0x2e, 0xcc, 0x71);
    case LiveState::Motion: return QColor(0xf3, 0x9c, 0x12);
    default: return QColor(0x90, 0x90, 0x90);
    }
}

}  // namespace

LiveWeightPanel::LiveWeightPanel(QWidget* parent, int pointSize)
    : QFrame(parent), m_reader(LiveReader::instance()), m_weight(new QLabel(this)), m_state(new QLabel(this))
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x11, 0x11, 0x11));
    setPalette(pal);

    QFont big = font();
    big.setPointSize(pointSize);
    big.setBold(true);
    m_weight->setFont(big);
    m_weight->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_weight->setMinimumWidth(QFontMetrics(big).horizontalAdvance(QStringLiteral("-888,888 Kg.")) + 8);
    m_state->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->setSpacing(0);
    layout->addWidget(m_weight);
    layout->addWidget(m_state);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    if (m_reader)
        connect(m_reader, &LiveReader::changed, this, &LiveWeightPanel::refresh);
    refresh();
}

void LiveWeightPanel::refresh()
{
    const LiveState state = m_reader ? m_reader->live().state() : LiveState::Off;
    m_weight->setText(m_reader ? m_reader->text() : QString());
    m_state->setText(m_reader ? m_reader->stateText() : QString());
    QPalette pal = m_weight->palette();
    pal.setColor(QPalette::WindowText, faceColour(state));
    m_weight->setPalette(pal);
    pal.setColor(QPalette::WindowText, QColor(0xdd, 0xdd, 0xdd));
    m_state->setPalette(pal);
}

}  // namespace scale
