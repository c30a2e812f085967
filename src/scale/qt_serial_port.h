// QtSerialPort: the scale's serial line on QSerialPort. Received bytes go into the ByteQueue as
// Qt reports them (readyRead), so a reading tick only copies out what is there and never waits.
//
// Lives in the thread of its event loop (the GUI thread, or the diagnostics command's
// QCoreApplication). Works on real COM ports, USB adapters and pseudo-terminals; on a
// pseudo-terminal the line settings cannot all be applied, which is tolerated (see open()).
#pragma once

#include <QObject>
#include <QSerialPort>
#include <QStringList>

#include "scale/serial_port.h"

namespace scale {

class QtSerialPort final : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    OpenResult open(const LineSettings& line, std::string& why) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void clearErrors() override { m_port.clearError(); }
    ByteQueue& received() override { return m_queue; }
    bool lost() const override { return m_lost; }

    // Line settings the device did not take but that were tolerated (a pseudo-terminal has no
    // parity or data-bit settings), for the diagnostics command to show.
    const QStringList& warnings() const { return m_warnings; }

signals:
    // New bytes are in received().
    void bytesArrived();

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    ByteQueue m_queue;
    unsigned char m_mask = 0xFF;  // 7 data bits: the parity bit a pseudo-terminal passes is dropped
    bool m_lost = false;
    QStringList m_warnings;
};

}  // namespace scale
