#include "ui/print_preview.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "core/clock.h"
#include "core/pdf_thai_text.h"
#include "core/print_output.h"
#include "core/prompts.h"
#include "core/tis620.h"
#include "ui/thai_text.h"

namespace ui {
namespace {

using core::tis620::T;

QString thai(std::string_view utf8)
{
    return fromTis(T(utf8));
}

QPushButton* button(std::string_view utf8, QWidget* parent)
{
    auto* b = new QPushButton(thai(utf8), parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

PrintPreview::PrintPreview(PageView::Source pages, Painter paint, const std::string& title, std::string kind,
                           const std::optional<std::string>& printer, const std::vector<std::string>& installed,
                           QWidget* parent)
    : Dialog(title, parent), m_paint(std::move(paint)), m_title(title), m_kind(std::move(kind))
{
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout();
    auto* label = new QLabel(thai("พิมพ์ไปที่"), this);
    m_destinations = new QComboBox(this);
    for (const std::string& name : installed)
        m_destinations->addItem(QString::fromStdString(name), QString::fromStdString(name));
    m_destinations->addItem(thai("ไฟล์ PDF ในโฟลเดอร์ PDF ของไซต์"), QString());
    label->setBuddy(m_destinations);
    const QString first = printer ? QString::fromStdString(*printer) : QPrinterInfo::defaultPrinterName();
    const int at = first.isEmpty() ? -1 : m_destinations->findData(first);
    m_destinations->setCurrentIndex(at >= 0 ? at : m_destinations->count() - 1);
    m_print = button("&พิมพ์", this);
    m_print->setDefault(true);
    QPushButton* zoomIn = button("ขยาย", this);
    QPushButton* zoomOut = button("ย่อ", this);
    QPushButton* whole = button("ทั้งหน้า", this);
    QPushButton* close = button("ปิด", this);
    m_position = new QLabel(this);
    bar->addWidget(label);
    bar->addWidget(m_destinations, 1);
    bar->addWidget(m_print);
    bar->addSpacing(16);
    bar->addWidget(zoomIn);
    bar->addWidget(zoomOut);
    bar->addWidget(whole);
    bar->addSpacing(16);
    bar->addWidget(m_position);
    bar->addStretch(1);
    bar->addWidget(close);
    layout->addLayout(bar);

    m_pages = new PageView(std::move(pages), this);
    layout->addWidget(m_pages, 1);
    const auto showPosition = [this](int page) {
        m_position->setText(thai("หน้า ") + QString::number(page + 1) + thai(" จาก ") +
                            QString::number(m_pages->pageCount()));
    };
    showPosition(m_pages->currentPage());
    connect(m_pages, &PageView::pageChanged, this, showPosition);
    // Paging works wherever the focus is; the arrows and the wheel scroll the pages themselves.
    const auto key = [this](QKeySequence keys, auto go) {
        connect(new QShortcut(keys, this), &QShortcut::activated, m_pages, go);
    };
    key(QKeySequence(Qt::Key_PageDown), [this] { m_pages->nextPage(); });
    key(QKeySequence(Qt::Key_PageUp), [this] { m_pages->previousPage(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { m_pages->showPage(0); });
    key(QKeySequence(Qt::CTRL | Qt::Key_End), [this] { m_pages->showPage(m_pages->pageCount() - 1); });

    connect(m_print, &QPushButton::clicked, this, [this] { send(); });
    connect(zoomIn, &QPushButton::clicked, m_pages, &PageView::zoomIn);
    connect(zoomOut, &QPushButton::clicked, m_pages, &PageView::zoomOut);
    connect(whole, &QPushButton::clicked, m_pages, &PageView::fitPage);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    m_pages->setFocus();
}

bool PrintPreview::send()
{
    const QString printer = m_destinations->currentData().toString();
    const bool done = printer.isEmpty() ? savePdf() : printOn(printer);
    if (done)
        accept();
    return done;
}

bool PrintPreview::savePdf()
{
    const std::string folder = core::pdfFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string name =
        core::pdfFileName(m_kind, core::clock().today(), core::clock().hundredthsSinceMidnight());
    std::string path = core::freePdfPath(folder, name, [](const std::string& p) {
        std::error_code e;
        return std::filesystem::exists(p, e);
    });
    path = std::filesystem::absolute(path, error).string();
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(QString::fromLocal8Bit(path.c_str()));
    const bool written = m_paint(&pdf) && std::filesystem::exists(path, error);
    if (!written) {
        core::prompts().message(core::MessageKind::Stop, core::pdfFailedMessage(T(path)), m_title);
        return false;
    }
    (void)core::pdf::mendThaiTextFile(path);  // unmended it still shows and prints right
    m_saved = path;
    m_outcome = Outcome::SavedPdf;
    core::prompts().message(core::MessageKind::Info, core::pdfSavedMessage(T(path)), m_title);
    return true;
}

bool PrintPreview::printOn(const QString& name)
{
    const std::string shown = T(name.toStdString());
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(name);
    if (QPrinterInfo::printerInfo(name).isNull() || !m_paint(&printer)) {
        core::prompts().message(core::MessageKind::Stop, core::printFailedMessage(shown), m_title);
        return false;
    }
    m_outcome = Outcome::Printed;
    core::prompts().message(core::MessageKind::Info, core::printedMessage(shown), m_title);
    return true;
}

PrinterChoiceDialog::PrinterChoiceDialog(const std::string& title, const std::vector<std::string>& installed,
                                         QWidget* parent)
    : Dialog(title, parent), m_list(new QListWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(thai("เลือกเครื่องพิมพ์"), this));
    for (const std::string& name : installed) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), m_list);
        item->setData(Qt::UserRole, QString::fromStdString(name));
    }
    auto* pdf = new QListWidgetItem(thai("ไฟล์ PDF ในโฟลเดอร์ PDF ของไซต์"), m_list);
    pdf->setData(Qt::UserRole, QString());
    const QString usual = QPrinterInfo::defaultPrinterName();
    m_list->setCurrentRow(m_list->count() - 1);
    for (int i = 0; i < m_list->count(); ++i)
        if (!usual.isEmpty() && m_list->item(i)->data(Qt::UserRole).toString() == usual)
            m_list->setCurrentRow(i);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(thai("ตกลง"), QDialogButtonBox::AcceptRole);
    buttons->addButton(thai("ยกเลิก"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
}

std::string PrinterChoiceDialog::chosen() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toString().toStdString() : std::string();
}

}  // namespace ui
