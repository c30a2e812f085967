// Report definitions: the site-edited text file of a report code (CDRV1 + code + ".txt", TIS-620),
// one record a line. A line whose first seven characters, in upper case, are "I,FILES", "I,FORMS",
// "I,INDEX", "I,GROUP", "I,BLOCK", "I,CONDI" or "I,LEFTM" is a setting (its value the text from the
// ninth character on, trimmed and upper-cased; the last of a repeated setting counts); every other
// line is a print line in fixed columns (counted from 1):
//
//   1       section: H page header, G group header, B block header, D detail, E block footer,
//           S group footer, T report total, F page footer; other characters are never run
//   3-4     command: LF NF LO NH LH LV LX SM NA (upper or lower case)
//   6-10    option: SAYR1..3 (text from x), SAYL1..3 (text ending at x), SAYC1..3 (centred on x),
//           LINE1..3 (rules); the digit is the report font or the pen
//   12-16   number A    } decimal numbers divided by 100: positions in inches, slot and line
//   18-22   number B    } numbers written times 100 (100 = slot 1)
//   24-28   number C    }
//   18-     the expression of LF, NF, SM and NA; 24- the expression of LO (trailing blanks removed)
//
// Positions 2, 5, 11, 17 and 23 separate the fields and may hold anything. A file is split at LF
// (a CR before it dropped) into lines of at most 200 bytes, as the definition work table holds
// them. Parsing never fails on a line: what names no command is kept and does nothing. Pure
// functions, any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/print_job.h"

namespace reports {

inline constexpr std::size_t kDefinitionLineLength = 200;
// A definition larger than this is refused as too large rather than loaded.
inline constexpr std::size_t kMaxDefinitionBytes = 1 << 20;

enum class Command { None, LF, NF, LO, NH, LH, LV, LX, SM, NA };
enum class Option { None, Text, Rule };

struct PrintLine {
    int number = 0;      // 1-based line of the file
    char section = 0;    // 'H' 'G' 'B' 'D' 'E' 'S' 'T' 'F', or 0 for a line that is never run
    Command command = Command::None;
    Option option = Option::None;
    core::PrintAlign align = core::PrintAlign::Left;  // Text: R -> Left, L -> Right, C -> Centre
    int font = 1;        // Text: report font 1..3
    int pen = 1;         // Rule: pen 1..3
    double a = 0, b = 0, c = 0;  // the numbers divided by 100
    std::string expression;      // LF NF LO SM NA
};

// The settings of a definition, values as stored (trimmed, upper case). COFFSET is in inches.
struct DefinitionSettings {
    std::string CFILE, CFORM, CINDEX, CFGROUP, CFBLOCK, CFCOND;
    double COFFSET = 0;

    // The required settings (all but CFCOND and the margin) that are empty, in the order above.
    std::vector<const char*> missing() const;
};

struct Definition {
    DefinitionSettings settings;
    std::vector<PrintLine> lines;  // the print lines of the sections, in file order
};

// The lines of a definition file: split at LF (a CR before it dropped), each cut to 200 bytes.
std::vector<std::string> splitDefinition(std::string_view file);

// True (with the setting's upper-case name "I,FILES" ...) when the line is a setting line.
bool isSettingLine(std::string_view line, std::string* name = nullptr);

// One print line (its number is the file line).
PrintLine parsePrintLine(std::string_view line, int number);

// Settings and print lines of a definition's lines.
Definition parseDefinition(const std::vector<std::string>& lines);

// Reads a definition file. False with *error (UTF-8, for people) when it cannot be read, is larger
// than kMaxDefinitionBytes, or holds a NUL byte (it is then no text file).
bool readDefinitionFile(const std::string& path, std::string* bytes, std::string* error);

}  // namespace reports
