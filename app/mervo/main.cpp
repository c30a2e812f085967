// mervo: the weighbridge program. Start-up reads the configuration file named by the first
// argument (default .\MERVO.INI).
#include <QApplication>
#include <QMessageBox>

#include "core/settings.h"
#include "shell/startup.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    core::Settings settings;
    const QByteArray config = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    shell::startUp(settings, std::string_view(config.constData(), std::size_t(config.size())));
    QMessageBox::information(nullptr, QStringLiteral("Mervo"),
                             QStringLiteral("The main window is not available yet; the settings were read from %1.")
                                 .arg(QString::fromLocal8Bit(settings.text("VARFILE").c_str())));
    return 0;
}
