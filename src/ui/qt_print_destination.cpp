#include "ui/qt_print_destination.h"

#include <QProcess>
#include <QStandardPaths>

namespace ui {
namespace {

constexpr int kRawTimeoutMs = 5000;

// A CUPS queue without a driver takes data as it is; the print system names its model so.
bool isRawQueue(const QString& printer)
{
    const QString lpoptions = QStandardPaths::findExecutable(QStringLiteral("lpoptions"));
    if (lpoptions.isEmpty())
        return false;
    QProcess p;
    p.start(lpoptions, {QStringLiteral("-p"), printer});
    if (!p.waitForFinished(kRawTimeoutMs) || p.exitCode() != 0)
        return false;
    const QString options = QString::fromLocal8Bit(p.readAllStandardOutput());
    return options.contains(QStringLiteral("printer-make-and-model='Local Raw Printer'")) ||
           options.contains(QStringLiteral("printer-make-and-model=Local\\ Raw\\ Printer"));
}

}  // namespace

std::unique_ptr<core::PrintJob> QtPrintDestination::open(std::string_view printerKind, bool preview,
                                                         const std::string& title)
{
    m_printer.clear();
    auto job = openPrintJob(m_printers, printerKind, preview, title);
    if (job && !preview && !job->printer().printerName().isEmpty() &&
        job->printer().outputFormat() == QPrinter::NativeFormat)
        m_printer = job->printer().printerName().toStdString();
    return job;
}

bool QtPrintDestination::sendRaw(const std::string& bytes)
{
    const QString printer = QString::fromStdString(m_printer);
    const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
    if (printer.isEmpty() || lp.isEmpty() || !isRawQueue(printer))
        return false;
    QProcess p;
    p.start(lp, {QStringLiteral("-d"), printer, QStringLiteral("-o"), QStringLiteral("raw"), QStringLiteral("-")});
    if (!p.waitForStarted(kRawTimeoutMs))
        return false;
    p.write(bytes.data(), qint64(bytes.size()));
    p.closeWriteChannel();
    return p.waitForFinished(kRawTimeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::unique_ptr<core::PrintJob> PdfPrintDestination::open(std::string_view, bool, const std::string&)
{
    QtPrintJob::Options options;
    options.output = QtPrintJob::Output::PdfFile;
    options.pdfPath = m_path;
    return std::make_unique<QtPrintJob>(options);
}

}  // namespace ui
