#include "scale/reading_driver.h"

#include "scale/qt_serial_port.h"

namespace scale {

ReadingDriver::ReadingDriver(QtSerialPort& port, QObject* parent) : QObject(parent), m_port(port)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_poll.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_model)
            m_model->timerFired();
        afterCall();
    });
    auto service = [this] {
        if (m_model && m_model->waitingForFrame())
            m_model->serviceTick();
        afterCall();
    };
    connect(&m_poll, &QTimer::timeout, this, service);
    connect(&m_port, &QtSerialPort::bytesArrived, this, service);
}

void ReadingDriver::start(int ms)
{
    m_timer.start(ms);
}

void ReadingDriver::stop()
{
    m_timer.stop();
    m_poll.stop();
}

void ReadingDriver::afterCall()
{
    const bool waiting = m_model && m_model->waitingForFrame();
    if (waiting && !m_poll.isActive())
        m_poll.start();
    else if (!waiting)
        m_poll.stop();
}

}  // namespace scale
