// The main window: the caption, the menu of shell::mainMenu(), the button bar of
// shell::buttonBar(), the main picture with its hot spots (MAPSEL) and update stamp (SAYTEXT),
// the indicator's live weight, the message bar with the user and the site, and FINISH before every
// way of closing. Every command runs through the
// dispatcher (rights check, then the handler or "not available yet") inside the error trap's
// boundary. The window runs the commands it owns itself: settings, fonts, printer set-up,
// calculator, text editor and exit. GUI thread only.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <map>

#include "shell/menu.h"

class QLabel;
class QMenu;

namespace scale {
class LiveReader;
class LiveWeightPanel;
}  // namespace scale

namespace ui {
class MessageBar;
class ToolBar;
class PictureButton;
}  // namespace ui

namespace shell {

// The 600 x 400 main picture: clicks go to MAPSEL, each paint draws the update stamp.
class MainPicture : public QWidget {
    Q_OBJECT
public:
    MainPicture(Dispatcher& dispatcher, QWidget* parent = nullptr);
    bool hasPicture() const { return !m_picture.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Dispatcher& m_dispatcher;
    QPixmap m_picture;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Dispatcher& dispatcher, QWidget* parent = nullptr);

    // Registers the commands the window owns with the dispatcher.
    void registerOwnActions();
    // Runs a command as the menu, a button or the picture does.
    void run(Action action, int rightsPosition);

    ui::MessageBar* messageBar() const { return m_messageBar; }
    ui::ToolBar* buttonBar() const { return m_buttonBar; }
    MainPicture* mainPicture() const { return m_picture; }
    // The menu action of a command (the first one when several run it).
    QAction* menuAction(Action action) const;
    // Places the main picture for a screen of that size (done when shown).
    void placePicture(QSize screen);
    // Places the live weight at the top right of the window's work area.
    void placeLiveWeight();

signals:
    // The window closed after FINISH confirmed it.
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenu();
    void buildButtonBar();
    void printerSetup();
    void startProgram(bool calculator);

    Dispatcher& m_dispatcher;
    ui::MessageBar* m_messageBar;
    ui::ToolBar* m_buttonBar = nullptr;
    MainPicture* m_picture;
    scale::LiveReader* m_reader;  // the indicator read while no weight dialog has the port
    scale::LiveWeightPanel* m_live = nullptr;
    QLabel* m_user = nullptr;
    QLabel* m_site = nullptr;
    std::map<Action, QAction*> m_actions;
    bool m_shownOnce = false;
    bool m_closing = false;
};

// The program's icon, drawn (a truck on a weighbridge).
QIcon programIcon();

}  // namespace shell
