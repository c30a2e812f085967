#include "ui/entry_field.h"

#include <algorithm>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QValidator>

#include "core/prompts.h"
#include "core/tis620.h"
#include "ui/thai_text.h"

namespace ui {
namespace {

// Set while a field takes the focus back after a failed validation: the field that had just
// received the focus must not validate itself on losing it again.
bool g_refocusing = false;

// Free text: refuses characters the picture refuses, upper-cases where it says.
class TextValidator final : public QValidator {
public:
    explicit TextValidator(const EntryField* field) : QValidator(const_cast<EntryField*>(field)), m_field(field) {}
    State validate(QString& input, int&) const override
    {
        const Picture& p = m_field->picture();
        for (qsizetype i = 0; i < input.size(); ++i) {
            const unsigned char b = p.acceptText(tisByte(input.at(i)));
            if (!b)
                return Invalid;
            input[i] = QChar(char16_t(core::tis620::toUnicode(b)));
        }
        return input.size() <= p.width() ? Acceptable : Invalid;
    }

private:
    const EntryField* m_field;
};

}  // namespace

EntryField::EntryField(const Picture& picture, QWidget* parent) : QLineEdit(parent)
{
    QPalette pal = palette();
    for (const auto role : {QPalette::Base, QPalette::Text, QPalette::Window, QPalette::WindowText,
                            QPalette::Button, QPalette::ButtonText, QPalette::PlaceholderText}) {
        pal.setColor(QPalette::Disabled, role, pal.color(QPalette::Active, role));
    }
    setPalette(pal);
    setPicture(picture);
    connect(this, &QLineEdit::textEdited, this, [this] { m_edited = true; });
}

void EntryField::setPicture(const Picture& picture)
{
    m_editor = PictureEditor(picture);
    if (usesEditor()) {
        setValidator(nullptr);
        setMaxLength(32767);
    } else {
        setMaxLength(std::max(1, picture.width()));
        setValidator(new TextValidator(this));
    }
    setAlignment(picture.kind() == Picture::Kind::Number ? Qt::AlignRight | Qt::AlignVCenter
                                                         : Qt::AlignLeft | Qt::AlignVCenter);
    setDisplayChars(m_displayChars);
    setValue(m_value);
}

void EntryField::setDisplayChars(int chars)
{
    m_displayChars = chars;
    const int n = chars > 0 ? chars : std::max(1, picture().width());
    const QFontMetrics fm(font());
    setFixedWidth(fm.averageCharWidth() * n + fm.horizontalAdvance(QLatin1Char('M')) + 12);
}

void EntryField::setMasked(bool masked)
{
    setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void EntryField::setValue(const core::Value& v)
{
    m_value = v;
    m_edited = false;  // what the model shows now replaces what was typed
    m_editor.load(v);
    if (hasFocus() && usesEditor())
        showEditor();
    else
        showFormatted();
}

core::Value EntryField::value(bool* ok) const
{
    bool good = true;
    core::Value v = usesEditor() ? m_editor.value(good) : picture().toValue(toTis(text()), good);
    if (ok)
        *ok = good;
    return v;
}

void EntryField::showFormatted()
{
    std::string shown;
    if (!usesEditor()) {
        shown = picture().format(m_value);
    } else if (picture().kind() == Picture::Kind::Number) {
        bool ok = true;
        shown = picture().format(m_editor.value(ok));
    } else {
        shown = m_editor.text();
    }
    QString q = fromTis(shown);
    if (picture().kind() == Picture::Kind::Number)
        q = q.trimmed();
    setText(q);
    if (!usesEditor())
        setCursorPosition(int(q.size()));
}

void EntryField::showEditor()
{
    QString q = fromTis(m_editor.text());
    int cursor = m_editor.cursor();
    if (picture().kind() == Picture::Kind::Number) {
        qsizetype lead = 0;
        while (lead < q.size() && q.at(lead) == QLatin1Char(' '))
            ++lead;
        q = q.mid(lead);
        cursor = std::max(0, cursor - int(lead));
    }
    setText(q);
    setCursorPosition(std::min(cursor, int(q.size())));
}

void EntryField::keyPressEvent(QKeyEvent* event)
{
    if (!usesEditor() || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        for (const QChar c : QApplication::clipboard()->text())
            m_editor.type(tisByte(c));
        m_edited = true;
        showEditor();
        return;
    }
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Backspace: m_editor.backspace(); m_edited = true; break;
    case Qt::Key_Delete: m_editor.del(); m_edited = true; break;
    case Qt::Key_Left: m_editor.left(); break;
    case Qt::Key_Right: m_editor.right(); break;
    case Qt::Key_Home: m_editor.home(); break;
    case Qt::Key_End: m_editor.end(); break;
    default: {
        const QString typed = event->text();
        if (typed.isEmpty() || !typed.at(0).isPrint() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            QLineEdit::keyPressEvent(event);  // Enter, Escape, Tab and shortcuts go their usual way
            return;
        }
        for (const QChar c : typed)
            if (!m_editor.type(tisByte(c)))
                QApplication::beep();
        m_edited = true;
        break;
    }
    }
    showEditor();
    event->accept();
}

void EntryField::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (usesEditor() && !hasSelectedText()) {
        m_editor.setCursor(cursorPosition());
        showEditor();
    }
}

void EntryField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (usesEditor()) {
        m_editor.load(value());
        showEditor();
    }
}

void EntryField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (usesEditor() && !m_pending)
        showFormatted();
    if (g_refocusing || m_validating || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_pending)
            leave();
    });
}

bool EntryField::commitPending()
{
    if (!m_pending && !m_edited && !hasFocus())
        return true;
    return leave();
}

bool EntryField::leave()
{
    m_pending = false;
    m_edited = false;
    if (m_validating)
        return false;
    bool ok = true;
    const core::Value v = value(&ok);
    if (!ok) {
        // A date that names no day (31/02) is not taken: the value bound stays as it was, the
        // text stays to be corrected, and the person is told why the focus came back.
        m_validating = true;
        core::prompts().message(core::MessageKind::Info, core::tis620::T(kBadDateUtf8), toTis(window()->windowTitle()));
        m_validating = false;
        refocus();
        return false;
    }
    m_validating = true;
    m_value = v;
    emit committed(v);
    const bool pass = !m_validation || m_validation(*this);
    m_validating = false;
    if (!pass) {
        refocus();
        return false;
    }
    if (!hasFocus())
        showFormatted();
    setMissing(false);
    emit leftValid();
    return true;
}

void EntryField::setMissing(bool missing)
{
    if (property("missing").toBool() == missing)
        return;
    setProperty("missing", missing);
    // The field's own style sheet, if it has one, comes back with the mark gone.
    if (missing)
        m_plainStyle = styleSheet();
    setStyleSheet(missing ? m_plainStyle + QStringLiteral("background: #fff3a0; border: 2px solid #d00000;") : m_plainStyle);
}

void EntryField::refocus()
{
    if (!isVisible() || !isEnabled())
        return;
    g_refocusing = true;
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    g_refocusing = false;
}

}  // namespace ui
