#include "weighing/dialogs/evidence_dialog.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/tis620.h"
#include "ui/thai_text.h"

namespace weighing {
namespace {

// Fits a 1024 x 768 screen with the window's frame; the values column takes what the others leave.
constexpr int kWidth = 980;
constexpr int kHeight = 420;

}  // namespace

EvidenceDialog::EvidenceDialog(const EvidenceHistory& history, QWidget* parent)
    : ui::Dialog(history.title, parent),
      m_table(new QTableWidget(int(history.rows.size()), int(EvidenceHistory::kColumns), this))
{
    auto* layout = new QVBoxLayout(this);
    QStringList captions;
    for (const std::string& c : history.captions)
        captions << ui::fromTis(c);
    m_table->setHorizontalHeaderLabels(captions);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    for (int r = 0; r < int(history.rows.size()); ++r)
        for (int c = 0; c < int(EvidenceHistory::kColumns); ++c) {
            auto* item = new QTableWidgetItem(ui::fromTis(history.rows[std::size_t(r)][std::size_t(c)]));
            if (c == 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setMinimumSize(kWidth - 24, kHeight);
    layout->addWidget(m_table);
    auto* close = new QPushButton(ui::fromTis(core::tis620::T("&ปิด")), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(kWidth, kHeight + 60);
}

}  // namespace weighing
