// PrintJob: one printed document as the printing code sees it - pages of text, lines and pictures
// placed at positions in device dots.
//
// Positions are device dots of the job's printer (dpiX()/dpiY() per inch) from the sheet's top-left
// corner; a position given in hundredths of an inch lands on dotsX()/dotsY() of it, truncated. A
// printer that cannot print up to the sheet's edges says where its printable area begins. Font sizes and pen widths are in
// size units of 1/kSizeUnitsPerInch inch whatever the printer: the font and pen settings the sites
// keep were tuned on 180-dpi impact ticket printers, and keep their look on any printer this way.
// Font heights follow the Windows font interface: negative = character (em) height, positive = cell
// height, 0 = the face's default. Texts are TIS-620. A text is placed with the top of its cell at
// the given y, as the Windows text interface places it.
//
// The GUI implements it over QPrinter (preview, printer or PDF file); tests use a recording one.
// One thread; a job is begun once, pages follow, and end() finishes it.
#pragma once

#include <string>

namespace core {

inline constexpr int kSizeUnitsPerInch = 180;

struct PrintFont {
    std::string face;  // as the settings name it ("EucrosiaUPC"); the GUI maps it to an installed face
    int width = 0;     // average character width in size units; 0 = the face's own proportions
    int height = 0;    // size units; negative = character height, positive = cell height
    bool bold = false;
    bool italic = false;
};

enum class PrintAlign { Left, Right, Centre };

class PrintJob {
public:
    virtual ~PrintJob() = default;

    // Opens the document with its title (the print queue's and the preview's caption). False when
    // no printer could be opened; the job then ignores everything until end().
    virtual bool begin(const std::string& title) = 0;
    // Finishes the document: the last open page is closed, then it prints, is written, or the
    // preview shows it (and the job returns when the preview is closed). False when nothing could
    // be printed. A job that never began a page prints nothing.
    virtual bool end() = 0;

    virtual void beginPage() = 0;  // starts the next page (the first call starts page 1)
    virtual void endPage() = 0;    // closes the open page; does nothing when no page is open
    virtual int pageCount() const = 0;

    // Dots per inch across and down.
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    // Size of the page in dots (the whole sheet: positions start at its top-left corner).
    virtual int pageWidth() const = 0;
    virtual int pageHeight() const = 0;
    // The top-left corner of the printable area in dots from the sheet's corner: the printer's
    // hardware margins. 0 for a PDF, which prints to its edges.
    virtual int printableLeft() const { return 0; }
    virtual int printableTop() const { return 0; }
    // A user paper size in tenths of a millimetre; takes effect from the next page begun.
    virtual void setPaperSize(int widthTenthsMm, int lengthTenthsMm) = 0;

    // Text of one line: left-aligned starts at x, right-aligned ends at x, centred is centred on x.
    virtual void text(int x, int y, const std::string& text, const PrintFont& font, PrintAlign align) = 0;
    // Width of the text in dots in the font, as text() would draw it.
    virtual int textWidth(const std::string& text, const PrintFont& font) = 0;
    // A straight line; penWidth in size units (0 = the thinnest line the printer draws).
    virtual void line(int x1, int y1, int x2, int y2, int penWidth) = 0;
    // A picture file (BMP, PNG, JPEG) scaled into the rectangle; false when it cannot be read.
    virtual bool picture(int x, int y, int width, int height, const std::string& path) = 0;
    // A pre-printed form: the picture file over the whole sheet, under everything the open page
    // holds, whether drawn before or after this call. False when it cannot be read. Jobs that keep
    // no pages draw it where the call falls.
    virtual bool formPicture(const std::string& path) { return picture(0, 0, pageWidth(), pageHeight(), path); }

    int dotsX(int hundredthsOfInch) const { return int(static_cast<long long>(hundredthsOfInch) * dpiX() / 100); }
    int dotsY(int hundredthsOfInch) const { return int(static_cast<long long>(hundredthsOfInch) * dpiY() / 100); }
};

}  // namespace core
