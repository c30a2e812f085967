// The small widgets the screens are built with: picture buttons with a tooltip, a message-bar text
// and an access key ("&" in the caption), a tool bar of them, the message bar that shows the text
// of the menu item or button under the mouse, folders (tabs), a progress bar, and the wait window
// that keeps a step text painted while work runs on the one GUI thread.
#pragma once

#include <QFrame>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <string>

class QLabel;

namespace ui {

// A button showing a picture file (BMP, PNG...), with a tooltip and a message-bar text (TIS-620)
// and optionally a caption whose "&" marks the access key. A missing picture leaves the button
// plain. The hand cursor is shown over it.
class PictureButton : public QToolButton {
    Q_OBJECT
public:
    PictureButton(const std::string& picturePath, const std::string& tooltip, const std::string& message,
                  QWidget* parent = nullptr);
    void setCaption(const std::string& caption);  // TIS-620; "&" marks the access key
};

// A tool bar of picture buttons of one size; a group starts with a gap before it.
class ToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit ToolBar(QSize buttonSize, QWidget* parent = nullptr);
    // Never narrower than all its buttons: a button folded away into the bar's overflow menu could
    // not take the focus a screen gives it (the save button after a weighing).
    QSize minimumSizeHint() const override { return sizeHint(); }
    PictureButton* addPictureButton(const std::string& picturePath, const std::string& tooltip,
                                    const std::string& message, bool startsGroup);
    // A screen's tool-bar button: its picture from the site's picture library (CDRV1 + "library\\"
    // + `picture`), the tooltip (TIS-620) also its status text; without the picture file the
    // button shows the tooltip as its caption, so it still says what it does.
    PictureButton* addLibraryButton(const std::string& picture, const std::string& tooltip);
};

// Windows colour numbers (0x00BBGGRR) the screens paint their bands and status texts with.
constexpr int kWindowsWhite = 16777215;
constexpr int kWindowsBlack = 0;
constexpr int kWindowsBlue = 16711680;
constexpr int kWindowsGreen = 65280;
constexpr int kWindowsRed = 255;

// Text and background of a label, field or button in Windows colour numbers, the same whether it
// is enabled or not.
void paintColours(QWidget* w, int text, int back);

// The message bar: one centred text - the message of the highlighted menu item or the button under
// the mouse, else the default text - and the keyboard's insert-mode indicator at the right.
// attachTo() makes it hear the status texts of everything inside that window.
class MessageBar : public QStatusBar {
    Q_OBJECT
public:
    explicit MessageBar(QWidget* parent = nullptr);
    void setDefaultText(const std::string& text);  // TIS-620
    // A text that stays (TIS-620) until replaced: the hovered items' texts show over it and give
    // way to it again. Empty shows the default.
    void setText(const std::string& text);
    QString shownText() const;
    void attachTo(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_label;
    QString m_default;
    QString m_text;
};

// Folders: pages under tabs whose captions carry "&" access keys.
class Folder : public QTabWidget {
    Q_OBJECT
public:
    explicit Folder(QWidget* parent = nullptr);
    int addPage(QWidget* page, const std::string& caption);  // TIS-620
};

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);
    void setPercent(int percent);  // clamped to 0..100; repaints at once
};

// A small window with a step text, shown over the active window while the GUI thread works:
// setStep() repaints it at once, and so do waits that call core::idle() (see installIdleHook).
class WaitWindow : public QFrame {
    Q_OBJECT
public:
    explicit WaitWindow(const std::string& title, QWidget* parent = nullptr);
    void setStep(const std::string& text);  // TIS-620
    QString stepText() const;

private:
    QLabel* m_step;
};

// Repaints what is pending without taking the person's input.
void processPendingPaint();
// Makes processPendingPaint the idle hook of every wait below the GUI (core::idle), so windows
// stay painted while a lock or an open is retried. The program calls it once at start.
void installIdleHook();

}  // namespace ui
