// Print templates: the site-edited text files a document is printed from, one drawing command per
// line in fixed columns (counted from 1; a line is read up to 200 bytes, TIS-620):
//
//   1       section: H header (first page), S header of each further page, D detail line,
//           I optional extra detail line, F footer (last page); upper or lower case; other
//           letters are never printed
//   3-7     command, upper or lower case, matched by its beginning: FONTd / SAYRd (left-aligned
//           text), SAYLd (right-aligned: ends at the position), SAYCd (centred), LINE1..LINE3,
//           IMAGE, WMFIM, RAWIM, PSIZE, DTMAX, SUMnn; d selects the font (1 font 4, 2 font 5,
//           anything else font 6), nn the accumulator (1..40)
//   9-13    number 1: row, hundredths of an inch from the top
//   15-19   number 2: column, hundredths of an inch from the left
//   21-25   number 3: second row (lines), height (pictures)
//   27-31   number 4: second column (lines), width (pictures)
//   21-200  the expression of a text or SUM command
//   33-200  the picture file of IMAGE
//   9-200   the file of WMFIM and RAWIM (the whole rest of the line after the command)
//
// Numbers are read as VAL() reads them (blanks or other text give 0). Parsing never fails: a line
// that names no command is kept and does nothing. Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/print_job.h"

namespace weighing {

inline constexpr std::size_t kTemplateLineLength = 200;
// A template file larger than this is refused ("too large") rather than loaded.
inline constexpr std::size_t kMaxTemplateBytes = 1 << 20;

enum class TemplateCommand { None, Text, Line, Image, Metafile, Raw, PaperSize, DetailMax, Sum };

struct TemplateLine {
    int number = 0;     // 1-based line of the file
    char section = 0;   // column 1 in upper case
    TemplateCommand command = TemplateCommand::None;
    core::PrintAlign align = core::PrintAlign::Left;  // Text
    int font = 6;       // Text: the configured document font 4, 5 or 6
    int pen = 1;        // Line: 1..3
    int sum = 0;        // Sum: accumulator 1..40
    double n1 = 0, n2 = 0, n3 = 0, n4 = 0;
    std::string text;   // the expression (Text, Sum) or the file name (Image, Metafile, Raw), TIS-620
};

// The lines of a template file: split at LF (a CR before it dropped), each cut to 200 bytes.
std::vector<std::string> splitTemplate(std::string_view file);

// One line of a template.
TemplateLine parseTemplateLine(std::string_view line, int number);

}  // namespace weighing
