// LiveWeightPanel: the live weight in view - the weight in large digits on a dark face, green when
// stable, amber while it moves, grey without a signal, and the state in words under it. It follows
// LiveReader::instance() as it was when the panel was made; with no reader it stays empty.
#pragma once

#include <QFrame>
#include <QPointer>

class QLabel;

namespace scale {

class LiveReader;

class LiveWeightPanel final : public QFrame {
    Q_OBJECT
public:
    // pointSize: of the weight's digits.
    explicit LiveWeightPanel(QWidget* parent = nullptr, int pointSize = 20);

    QLabel* weightLabel() const { return m_weight; }
    QLabel* stateLabel() const { return m_state; }

private:
    void refresh();

    QPointer<LiveReader> m_reader;
    QLabel* m_weight;
    QLabel* m_state;
};

}  // namespace scale
