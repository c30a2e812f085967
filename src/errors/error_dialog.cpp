#include "errors/error_dialog.h"

#include <QApplication>
#include <algorithm>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <unistd.h>

#include "core/paths.h"
#include "core/platform_programs.h"
#include "core/prompts.h"
#include "errors/work_areas.h"
#include "ui/fonts.h"
#include "ui/thai_text.h"

namespace errors {
namespace {

bool g_mainLoopRunning = false;

QString utf8(const char* s) { return QString::fromUtf8(s); }

}  // namespace

ErrorDialogWindow::ErrorDialogWindow(const std::string& description, const std::vector<std::string>& stack,
                                     bool canRetry, bool canDefault, std::string logPath, QWidget* parent)
    : QDialog(parent ? parent : QApplication::activeWindow()), m_logPath(std::move(logPath)),
      m_stack(new QListWidget(this))
{
    setWindowTitle(utf8(errorDialogTitle()));
    setFont(ui::screenFont());
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(ui::fromTis(description), this);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    auto* label = new QLabel(utf8(stackListLabel()), this);
    label->setBuddy(m_stack);
    layout->addWidget(label);
    for (const std::string& line : stack)
        m_stack->addItem(ui::fromTis(line));
    if (m_stack->count() > 0)
        m_stack->setCurrentRow(0);
    layout->addWidget(m_stack, 1);

    auto* row = new QHBoxLayout();
    const ErrorButtons buttons = errorButtons(canRetry, canDefault);
    for (ErrorButtons::Button b : buttons.shown) {
        auto* button = new QPushButton(utf8(buttonCaption(b)), this);
        button->setAutoDefault(false);
        m_buttons.emplace_back(b, button);
        row->addWidget(button);
        switch (b) {
        case ErrorButtons::Button::Quit:
            connect(button, &QPushButton::clicked, this, [this] {
                m_choice = ErrorDialog::Choice::Quit;
                reject();
            });
            break;
        case ErrorButtons::Button::Retry:
            connect(button, &QPushButton::clicked, this, [this] {
                m_choice = ErrorDialog::Choice::Retry;
                accept();
            });
            break;
        case ErrorButtons::Button::Default:
            connect(button, &QPushButton::clicked, this, [this] {
                m_choice = ErrorDialog::Choice::Default;
                accept();
            });
            break;
        case ErrorButtons::Button::SeeLog:
            connect(button, &QPushButton::clicked, this, &ErrorDialogWindow::seeLog);
            break;
        }
    }
    if (QPushButton* d = button(buttons.defaultButton)) {
        d->setDefault(true);
        d->setFocus();
    }
    layout->addLayout(row);

    // Dialog units: a quarter of the average character width, an eighth of the character height.
    const QFontMetrics fm(font());
    resize(kDialogWidthUnits * fm.averageCharWidth() / 4, kDialogHeightUnits * fm.height() / 8);
}

QPushButton* ErrorDialogWindow::button(ErrorButtons::Button b) const
{
    for (const auto& [kind, button] : m_buttons)
        if (kind == b)
            return button;
    return nullptr;
}

void ErrorDialogWindow::seeLog()
{
    const std::string path = core::paths::resolve(m_logPath);
    const auto command = core::editorCommand(core::systemLookup(), path);
    QStringList args;
    if (command)
        for (const std::string& a : command->arguments)
            args << QString::fromLocal8Bit(a.c_str());
    if (!command || !QProcess::startDetached(QString::fromLocal8Bit(command->program.c_str()), args))
        QMessageBox::information(this, ui::fromTis(core::programsTitle()), ui::fromTis(core::noEditorMessage()));
}

ErrorDialog::Choice QtErrorDialog::choose(const std::string& description, const std::vector<std::string>& stack,
                                          bool canRetry, bool canDefault)
{
    ErrorDialogWindow dialog(description, stack, canRetry, canDefault, m_logPath);
    dialog.exec();
    return dialog.choice();
}

void QtErrorDialog::stop(const std::string& text)
{
    QMessageBox box(QMessageBox::Critical, utf8(errorDialogTitle()), ui::fromTis(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void setMainLoopRunning(bool running)
{
    g_mainLoopRunning = running;
}

Environment programEnvironment()
{
    Environment env;
    env.workAreas = [] { return workAreasInUse(); };
    env.windowTitles = [] {
        std::vector<std::string> titles;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            const std::string t = ui::toTis(w->windowTitle());
            if (!w->isVisible() || t.empty())
                continue;
            if (std::find(titles.begin(), titles.end(), t) == titles.end())
                titles.push_back(t);
        }
        return titles;
    };
    env.compilerLine = std::string("Qt ") + qVersion() + ", g++ " + __VERSION__;
    env.eventLoopRunning = [] { return g_mainLoopRunning; };
    env.terminate = [](int code) {
        closeAllInUse();
        std::fflush(nullptr);
        ::_exit(code);
    };
    return env;
}

}  // namespace errors
