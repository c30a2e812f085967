// PrintPreview: the program's own print preview, in Thai - the pages as they will print, which page
// of how many is in view, a choice of where they go (the installed printers, or a PDF file in the
// site's PDF folder), print, zoom and close. Printing or saving tells the person where the document
// went and closes the preview; a failure says so and leaves it open for another choice. The pages
// shown are drawn one at a time as they come into sight (ui/page_view.h); printing or saving draws
// them all with the job's painter function on the printer chosen.
//
// PrinterChoiceDialog: the printer set-up in Thai - the installed printers and "PDF". GUI thread
// only.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/page_view.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPrinter;
class QPushButton;

namespace ui {

class PrintPreview final : public Dialog {
    Q_OBJECT
public:
    // Draws every page on the printer; false when it could not.
    using Painter = std::function<bool(QPrinter*)>;
    enum class Outcome { None, Printed, SavedPdf };

    // pages: the document shown; paint: the same pages onto a printer; kind: the kind of document
    // ("Ticket"), which names a saved PDF; printer: the one the rules found, chosen first (else
    // the system's default printer, else the PDF); installed: the printers to offer (UTF-8).
    PrintPreview(PageView::Source pages, Painter paint, const std::string& title, std::string kind,
                 const std::optional<std::string>& printer, const std::vector<std::string>& installed,
                 QWidget* parent = nullptr);

    QComboBox* destinations() const { return m_destinations; }
    QPushButton* printButton() const { return m_print; }
    PageView* pages() const { return m_pages; }
    QLabel* position() const { return m_position; }

    // Draws the pages on a printer, at its own resolution.
    bool paint(QPrinter* printer) { return m_paint(printer); }
    // The print button: prints or saves to the chosen destination.
    bool send();
    Outcome outcome() const { return m_outcome; }

private:
    bool savePdf();
    bool printOn(const QString& printer);

    Painter m_paint;
    std::string m_title;
    std::string m_kind;
    PageView* m_pages;
    QLabel* m_position;
    QComboBox* m_destinations;
    QPushButton* m_print;
    Outcome m_outcome = Outcome::None;
    std::string m_saved;
};

class PrinterChoiceDialog final : public Dialog {
    Q_OBJECT
public:
    PrinterChoiceDialog(const std::string& title, const std::vector<std::string>& installed,
                        QWidget* parent = nullptr);
    QListWidget* list() const { return m_list; }
    // After OK: the printer chosen (UTF-8), or "" for a PDF file.
    std::string chosen() const;

private:
    QListWidget* m_list;
};

}  // namespace ui
