// The start-up benchmark's baseline: the least a Qt Widgets program does to show a dialog - an
// application, one dialog with a label and two buttons - printing "shown" at its first paint and
// ending at once, as mervo does under MERVO_EXIT_AT_LOGIN.
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>
#include <unistd.h>

namespace {

class Probe final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<QDialog*>(watched)) {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            ::_exit(0);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Probe probe;
    app.installEventFilter(&probe);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("user"), &dialog));
    layout->addWidget(new QPushButton(QStringLiteral("OK"), &dialog));
    layout->addWidget(new QPushButton(QStringLiteral("Cancel"), &dialog));
    return dialog.exec();
}
