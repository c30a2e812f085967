// PictureEditor: the typing rules of a template, date or number entry field, as a state machine the
// widget feeds key by key. GUI-free so tests drive it directly.
//
// Templates and dates are typed over in place: the cursor moves over the editable places only and
// skips the literals ("/", ":", ","). Numbers are typed as on a calculator: the first digit typed
// after entering the field replaces the value, digits enter the whole part from the right ("1",
// "12", "1,250"), "." starts the decimals, Backspace takes back the last digit typed, "-" turns
// the sign, Delete clears the number. An operator who types weights and money all day types "1250"
// Enter for 1,250.00 without moving the cursor or typing the decimals.
// Free text is not edited here: the widget edits it itself and filters with Picture::acceptText.
#pragma once

#include <string>

#include "core/value.h"
#include "ui/picture.h"

namespace ui {

class PictureEditor {
public:
    explicit PictureEditor(Picture picture = {});

    const Picture& picture() const { return m_picture; }
    void load(const core::Value& v);  // starts editing this value; the cursor goes to the start

    // One typed character (TIS-620 byte); false when refused (nothing changed).
    bool type(unsigned char ch);
    void backspace();
    void del();
    void left();
    void right();
    void home();
    void end();
    // Sets the cursor to a place clicked; it lands on the nearest editable place at or after it.
    void setCursor(int pos);

    // What the field shows now, and where the cursor stands in it (0..width).
    std::string text() const;
    int cursor() const;
    core::Value value(bool& ok) const;

private:
    int nextEditable(int from) const;  // first editable place >= from, or width
    int prevEditable(int from) const;  // last editable place <= from, or -1
    bool numberFits(const std::string& whole, const std::string& dec, bool neg) const;
    double numberValue() const;

    Picture m_picture;
    // Templates and dates
    std::string m_buffer;
    int m_cursor = 0;
    // Numbers
    std::string m_whole;  // digits of the whole part, no leading zeros
    std::string m_dec;    // decimal digits typed
    bool m_point = false;
    bool m_negative = false;
    bool m_fresh = true;  // the next digit replaces the loaded value
};

}  // namespace ui
