#include "scale/qt_serial_port.h"

#include <algorithm>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace scale {
namespace {

// Unix98 pseudo-terminal slaves (/dev/pts/N) have major numbers 136 to 143.
bool isPseudoTerminal(const std::string& device)
{
    struct stat st{};
    if (::stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

QSerialPort::Parity parityOf(char p)
{
    switch (p) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort()
{
    close();
}

OpenResult QtSerialPort::open(const LineSettings& line, std::string& why)
{
    close();
    m_queue.clear();
    m_lost = false;
    m_warnings.clear();
    m_mask = static_cast<unsigned char>(line.dataBits >= 8 ? 0xFF : (1u << std::max(line.dataBits, 1)) - 1);

    // The settings are given before open(), which applies them to the device. A pseudo-terminal
    // accepts the rate but refuses parity and 5-7 data bits; open() still succeeds there, and the
    // refusals are checked below.
    m_port.setPortName(QString::fromStdString(line.device));
    m_port.setBaudRate(line.baud);
    m_port.setParity(parityOf(line.parity));
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits));
    m_port.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        why = "cannot open " + line.device + ": " + m_port.errorString().toStdString();
        m_port.clearError();
        return OpenResult::CannotOpen;
    }
    m_port.clearError();

    // Applied again on the open device to learn which settings it refused. A real serial line
    // must take them all; a pseudo-terminal passes bytes unchanged whatever they say, so its
    // refusals are only noted (and 7-bit data is masked on arrival).
    QStringList refused;
    auto check = [&](bool ok, const char* what) {
        if (!ok)
            refused << QString::fromLatin1(what);
        m_port.clearError();
    };
    check(m_port.setBaudRate(line.baud) && m_port.error() == QSerialPort::NoError, "baud rate");
    check(m_port.setParity(parityOf(line.parity)), "parity");
    check(m_port.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)), "data bits");
    check(m_port.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop), "stop bits");
    check(m_port.setDataTerminalReady(true), "DTR");
    if (!refused.isEmpty()) {
        const QString list = refused.join(QStringLiteral(", "));
        if (!isPseudoTerminal(line.device)) {
            why = line.device + " refused its line settings (" + list.toStdString() + ")";
            close();
            return OpenResult::CannotConfigure;
        }
        m_warnings << QStringLiteral("pseudo-terminal: %1 not applied").arg(list);
    }
    // A fresh open starts with what arrives after it, not with what piled up before.
    m_port.clear(QSerialPort::Input);
    m_port.clearError();
    return OpenResult::Opened;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

void QtSerialPort::onReadyRead()
{
    QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty())
        return;
    if (m_mask != 0xFF)
        for (char& c : bytes)
            c = static_cast<char>(static_cast<unsigned char>(c) & m_mask);
    m_queue.push(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    emit bytesArrived();
}

// When the other end goes away Qt reports a read or resource error over and over from its
// notifier; the port is closed at the first one so the storm stops, and the reader is told.
void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)  // clearError() reports this too
        return;
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) && m_port.isOpen()) {
        m_lost = true;
        m_port.close();
    }
}

}  // namespace scale
