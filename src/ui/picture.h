// Picture: the display and entry mask of one entry field, as the screens write it in xBase form.
//
//   "@!"            free text, letters in upper case (only ASCII letters have case)
//   "@9"            free text of digits only
//   ""              free text
//   "99,999.99"     a number: "9" digit places, "," thousands separators, one "." (number values)
//   "99:99:99"      a template over a text: "9" digit, "!" any character in upper case, "X" any,
//                   "A" letter, "N" letter or digit, "#" digit, blank or sign, "L" T/F/Y/N,
//                   "Y" Y/N; every other character is a literal the cursor skips and the value keeps
//   dates           shown and typed as dd/mm/yyyy
//   "@! 99:99"      a function and a template together
// The kind is decided by the value the field edits: a number value with a digit template is a
// number, a date value a date, a text with a template a template, else free text of `width` bytes.
//
// Texts are TIS-620 bytes: one byte per character, so widths are byte counts. GUI-free; the entry
// field widget (ui/entry_field.h) shows format() and feeds typed characters to a PictureEditor.
#pragma once

#include <string>
#include <string_view>

#include "core/value.h"

namespace ui {

class Picture {
public:
    enum class Kind { Text, Template, Number, Date };

    Picture() = default;
    // `type` is the type of the value edited; `width` is the text width in bytes for free text
    // (ignored by the other kinds, whose width is the template's).
    static Picture parse(std::string_view picture, core::Value::Type type, int width);
    static Picture text(int width, bool upper = false, bool digitsOnly = false);
    // Digit places "9" ("#" counts as one), "," and one "."; other characters are dropped.
    static Picture number(std::string_view digitTemplate);
    static Picture date();

    Kind kind() const { return m_kind; }
    int width() const { return m_width; }
    int decimals() const { return m_decimals; }
    bool upper() const { return m_upper; }
    bool digitsOnly() const { return m_digitsOnly; }
    const std::string& mask() const { return m_mask; }  // template, digit template or "99/99/9999"

    // True when position pos of a template (or date) takes a typed character; false for literals.
    bool editableAt(int pos) const;
    // The byte a typed TIS-620 byte becomes at a template position (upper-cased where the mask
    // says), or 0 when the mask refuses it there.
    unsigned char acceptAt(int pos, unsigned char ch) const;
    // The same for free text: control bytes and bytes TIS-620 leaves undefined are refused.
    unsigned char acceptText(unsigned char ch) const;

    // The value as the field shows it when not being edited. Text: the value with trailing blanks
    // removed; the other kinds: exactly width() bytes.
    std::string format(const core::Value& v) const;
    // The edited text back to a value: free text and templates become texts padded to the width;
    // numbers carry the picture's decimals; dates are read as dd/mm/yyyy. ok is false for a text
    // that names no date (an all-blank date is the empty date and ok).
    core::Value toValue(std::string_view edited, bool& ok) const;

private:
    Kind m_kind = Kind::Text;
    int m_width = 0;
    int m_decimals = 0;
    bool m_upper = false;
    bool m_digitsOnly = false;
    std::string m_mask;
};

// A number by a digit template ("9" places, "," separators shown only when a digit stands to their
// left, one "."), right-aligned to the template's width and rounded half away from zero to its
// decimals; a minus sign goes just left of the first digit. A value that does not fit shows "*"
// in every place but the point. This is TRANSFORM's own formatting (expr/functions.h), so a field
// shows a number exactly as a template or report prints it.
std::string formatNumber(double value, std::string_view digitTemplate);

}  // namespace ui
