#include "ui/picture_editor.h"

#include <algorithm>

#include "core/xbase.h"

namespace ui {

PictureEditor::PictureEditor(Picture picture) : m_picture(std::move(picture))
{
    load(core::Value());
}

void PictureEditor::load(const core::Value& v)
{
    m_cursor = 0;
    m_fresh = true;
    m_point = false;
    m_dec.clear();
    m_whole.clear();
    m_negative = false;
    switch (m_picture.kind()) {
    case Picture::Kind::Number: {
        double n = v.isNumber() ? v.asNumber() : (v.isText() ? core::xbase::val(v.asText()).value : 0.0);
        const std::string t = core::xbase::decimalText(n < 0 ? -n : n, m_picture.decimals());
        const auto dot = t.find('.');
        m_whole = t.substr(0, dot);
        if (m_whole == "0")
            m_whole.clear();
        if (dot != std::string::npos) {
            m_dec = t.substr(dot + 1);
            while (!m_dec.empty() && m_dec.back() == '0')
                m_dec.pop_back();
            m_point = !m_dec.empty();
        }
        m_negative = n < 0 && !(m_whole.empty() && m_dec.empty());
        break;
    }
    case Picture::Kind::Text:
        m_buffer = m_picture.format(v);
        m_cursor = int(m_buffer.size());
        break;
    case Picture::Kind::Template:
    case Picture::Kind::Date:
        m_buffer = m_picture.format(v);
        m_cursor = nextEditable(0);
        break;
    }
}

int PictureEditor::nextEditable(int from) const
{
    for (int i = std::max(0, from); i < m_picture.width(); ++i)
        if (m_picture.editableAt(i))
            return i;
    return m_picture.width();
}

int PictureEditor::prevEditable(int from) const
{
    for (int i = std::min(from, m_picture.width() - 1); i >= 0; --i)
        if (m_picture.editableAt(i))
            return i;
    return -1;
}

bool PictureEditor::numberFits(const std::string& whole, const std::string& dec, bool neg) const
{
    std::string t = whole.empty() ? "0" : whole;
    if (!dec.empty())
        t += "." + dec;
    double v = core::xbase::val(t).value;
    if (neg)
        v = -v;
    const std::string shown = formatNumber(v, m_picture.mask());
    return shown.find('*') == std::string::npos && (!neg || v == 0 || shown.find('-') != std::string::npos);
}

double PictureEditor::numberValue() const
{
    std::string t = m_whole.empty() ? "0" : m_whole;
    if (!m_dec.empty())
        t += "." + m_dec;
    const double v = core::xbase::val(t).value;
    return m_negative ? -v : v;
}

bool PictureEditor::type(unsigned char ch)
{
    switch (m_picture.kind()) {
    case Picture::Kind::Number: {
        if (m_fresh && (ch == '.' || (ch >= '0' && ch <= '9'))) {
            m_whole.clear();
            m_dec.clear();
            m_point = false;
            m_negative = false;
        }
        if (ch >= '0' && ch <= '9') {
            if (m_point) {
                if (int(m_dec.size()) >= m_picture.decimals() || !numberFits(m_whole, m_dec + char(ch), m_negative))
                    return false;
                m_dec += char(ch);
            } else {
                std::string whole = m_whole + char(ch);
                if (whole == "0")
                    whole.clear();
                if (!numberFits(whole, m_dec, m_negative))
                    return false;
                m_whole = whole;
            }
        } else if (ch == '.') {
            if (m_picture.decimals() == 0 || m_point)
                return false;
            m_point = true;
        } else if (ch == '-') {
            if (!numberFits(m_whole, m_dec, !m_negative))
                return false;
            m_negative = !m_negative;
        } else if (ch == '+') {
            m_negative = false;
        } else {
            return false;
        }
        m_fresh = false;
        return true;
    }
    case Picture::Kind::Text: {
        const unsigned char b = m_picture.acceptText(ch);
        if (!b || int(m_buffer.size()) >= m_picture.width())
            return false;
        m_buffer.insert(m_buffer.begin() + m_cursor, char(b));
        ++m_cursor;
        return true;
    }
    case Picture::Kind::Template:
    case Picture::Kind::Date: {
        if (m_cursor >= m_picture.width())
            return false;
        const unsigned char b = m_picture.acceptAt(m_cursor, ch);
        if (!b)
            return false;
        m_buffer[std::size_t(m_cursor)] = char(b);
        m_cursor = nextEditable(m_cursor + 1);
        return true;
    }
    }
    return false;
}

void PictureEditor::backspace()
{
    switch (m_picture.kind()) {
    case Picture::Kind::Number:
        if (!m_dec.empty())
            m_dec.pop_back();
        else if (m_point)
            m_point = false;
        else if (!m_whole.empty())
            m_whole.pop_back();
        if (m_whole.empty() && m_dec.empty())
            m_negative = false;
        m_fresh = false;
        break;
    case Picture::Kind::Text:
        if (m_cursor > 0)
            m_buffer.erase(std::size_t(--m_cursor), 1);
        break;
    case Picture::Kind::Template:
    case Picture::Kind::Date: {
        const int p = prevEditable(m_cursor - 1);
        if (p >= 0) {
            m_buffer[std::size_t(p)] = ' ';
            m_cursor = p;
        }
        break;
    }
    }
}

void PictureEditor::del()
{
    switch (m_picture.kind()) {
    case Picture::Kind::Number:
        m_whole.clear();
        m_dec.clear();
        m_point = false;
        m_negative = false;
        m_fresh = false;
        break;
    case Picture::Kind::Text:
        if (m_cursor < int(m_buffer.size()))
            m_buffer.erase(std::size_t(m_cursor), 1);
        break;
    case Picture::Kind::Template:
    case Picture::Kind::Date:
        if (m_cursor < m_picture.width())
            m_buffer[std::size_t(m_cursor)] = ' ';
        break;
    }
}

void PictureEditor::left()
{
    if (m_picture.kind() == Picture::Kind::Number)
        return;
    if (m_picture.kind() == Picture::Kind::Text) {
        m_cursor = std::max(0, m_cursor - 1);
        return;
    }
    const int p = prevEditable(m_cursor - 1);
    if (p >= 0)
        m_cursor = p;
}

void PictureEditor::right()
{
    if (m_picture.kind() == Picture::Kind::Number)
        return;
    if (m_picture.kind() == Picture::Kind::Text) {
        m_cursor = std::min(int(m_buffer.size()), m_cursor + 1);
        return;
    }
    m_cursor = nextEditable(m_cursor + 1);
}

void PictureEditor::home()
{
    if (m_picture.kind() == Picture::Kind::Text)
        m_cursor = 0;
    else if (m_picture.kind() != Picture::Kind::Number)
        m_cursor = nextEditable(0);
}

void PictureEditor::end()
{
    if (m_picture.kind() == Picture::Kind::Text) {
        m_cursor = int(m_buffer.size());
    } else if (m_picture.kind() != Picture::Kind::Number) {
        // After the last place that holds something, as xBase's End goes.
        int last = -1;
        for (int i = 0; i < m_picture.width(); ++i)
            if (m_picture.editableAt(i) && m_buffer[std::size_t(i)] != ' ')
                last = i;
        m_cursor = nextEditable(last + 1);
    }
}

void PictureEditor::setCursor(int pos)
{
    if (m_picture.kind() == Picture::Kind::Number)
        return;
    if (m_picture.kind() == Picture::Kind::Text)
        m_cursor = std::clamp(pos, 0, int(m_buffer.size()));
    else
        m_cursor = nextEditable(pos);
}

std::string PictureEditor::text() const
{
    if (m_picture.kind() != Picture::Kind::Number)
        return m_buffer;
    return formatNumber(numberValue(), m_picture.mask());
}

int PictureEditor::cursor() const
{
    if (m_picture.kind() != Picture::Kind::Number)
        return m_cursor;
    // Just after the last digit typed: the end of the whole part, or the decimals typed so far.
    const std::size_t point = m_picture.mask().find('.');
    if (point == std::string::npos)
        return m_picture.width();
    return m_point ? int(point) + 1 + int(m_dec.size()) : int(point);
}

core::Value PictureEditor::value(bool& ok) const
{
    ok = true;
    if (m_picture.kind() == Picture::Kind::Number)
        return core::Value::number(numberValue(), m_picture.decimals());
    return m_picture.toValue(m_buffer, ok);
}

}  // namespace ui
