// EntryField: a one-line entry with an xBase picture (ui/picture.h), bound by its owner to a value.
//
// Free text is edited as a line edit does, filtered and upper-cased by the picture and limited to
// the field width (one TIS-620 byte per character); templates, dates and numbers are typed through
// a PictureEditor (typed over in place, numbers calculator style). Leaving the field - Tab, a click
// elsewhere in the window - commits the value and runs the validation; while it fails the focus
// comes back (the validation itself tells the person why). The validation runs just after the
// focus moved, not inside the focus change, so it may open dialogs; a button that must act on the
// edited value first calls commitPending(). Buttons that must not validate (Cancel) take no focus.
// Disabled fields keep their colours.
#pragma once

#include <QLineEdit>
#include <functional>

#include "core/value.h"
#include "ui/picture.h"
#include "ui/picture_editor.h"

namespace ui {

// Said when a date typed names no day; the field keeps the focus and its former value.
inline constexpr const char* kBadDateUtf8 = "วันที่ไม่ถูกต้อง กรุณาพิมพ์ใหม่ในรูปแบบ วว/ดด/ปปปป";

class EntryField : public QLineEdit {
    Q_OBJECT
public:
    using Validation = std::function<bool(EntryField&)>;

    explicit EntryField(const Picture& picture, QWidget* parent = nullptr);

    const Picture& picture() const { return m_editor.picture(); }
    void setPicture(const Picture& picture);

    // Shows a value (from the model); no validation runs.
    void setValue(const core::Value& v);
    // The value as edited now; ok false for a text that names no date.
    core::Value value(bool* ok = nullptr) const;

    void setValidation(Validation v) { m_validation = std::move(v); }
    void setMasked(bool masked);
    // The box's width in characters (the picture's width when not set).
    void setDisplayChars(int chars);

    // Commits and validates an edit the person has not left yet (focus still in the field, or a
    // validation still queued). True when the value passed (or nothing was pending).
    bool commitPending();
    // Typed into since the value was last committed (the person has not left the field yet).
    bool edited() const { return m_edited; }
    // The field was just left without anything typed and its exit (the validation) is still
    // queued: it is not run.
    void dropUntypedExit()
    {
        if (!m_edited)
            m_pending = false;
    }
    // Marks the field as one that must be filled (the "missing" property, a highlight) until it is
    // next left with its validation passed.
    void setMissing(bool missing);

signals:
    // The edited value, each time the field is left, before its validation runs.
    void committed(const core::Value& value);
    // The field was left and its validation passed.
    void leftValid();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool usesEditor() const { return picture().kind() != Picture::Kind::Text; }
    void showEditor();
    void showFormatted();
    bool leave();
    void refocus();

    PictureEditor m_editor;
    core::Value m_value;
    Validation m_validation;
    bool m_pending = false;
    bool m_edited = false;  // typed into since the last commit (focused or not)
    bool m_validating = false;
    int m_displayChars = 0;
    QString m_plainStyle;
};

}  // namespace ui
