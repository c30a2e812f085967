// The evidence history of the ticket a ticket screen shows (F9, level 5): a read-only list of its
// evidence records over weighing::EvidenceHistory, closed by its button or Escape.
#pragma once

#include "ui/dialog.h"
#include "weighing/evidence_log.h"

class QTableWidget;

namespace weighing {

class EvidenceDialog : public ui::Dialog {
    Q_OBJECT
public:
    explicit EvidenceDialog(const EvidenceHistory& history, QWidget* parent = nullptr);
    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table;
};

}  // namespace weighing
