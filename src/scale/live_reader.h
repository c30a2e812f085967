// LiveReader: the live weight (scale/live_weight.h) on the Qt event loop - its own serial port and
// reading driver, and a signal on every change. The main window makes one for the program's whole
// run; the screens that show the weight find it through instance(). It registers itself as the
// live weight that weight dialogs' PortLeases release. GUI thread only.
#pragma once

#include <QObject>
#include <QString>

#include "scale/live_weight.h"
#include "scale/qt_serial_port.h"
#include "scale/reading_driver.h"

namespace scale {

class LiveReader final : public QObject {
    Q_OBJECT
public:
    explicit LiveReader(QObject* parent = nullptr);
    ~LiveReader() override;

    // The reader in force, or nullptr.
    static LiveReader* instance();

    void start() { m_live.start(); }
    LiveWeight& live() { return m_live; }
    QString text() const;       // the weight, or nothing when Off
    QString stateText() const;  // the state in Thai

signals:
    void changed();

private:
    QtSerialPort m_serial;
    ReadingDriver m_driver;
    LiveWeight m_live;
    LiveReader* m_previous = nullptr;
    LiveWeight* m_previousLive = nullptr;
};

}  // namespace scale
