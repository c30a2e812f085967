#include "scale/live_reader.h"

#include "core/tis620.h"

namespace scale {
namespace {

LiveReader* g_reader = nullptr;

QString fromTis(const std::string& text)
{
    return QString::fromStdString(core::tis620::toUtf8(text));
}

}  // namespace

LiveReader::LiveReader(QObject* parent) : QObject(parent), m_driver(m_serial), m_live(m_serial, m_driver)
{
    m_driver.attach(m_live);
    m_live.setOnChange([this] { emit changed(); });
    m_previous = g_reader;
    g_reader = this;
    m_previousLive = setLiveWeight(&m_live);
}

LiveReader::~LiveReader()
{
    m_live.setOnChange(nullptr);
    setLiveWeight(m_previousLive);
    g_reader = m_previous;
    m_live.stop();
}

LiveReader* LiveReader::instance()
{
    return g_reader;
}

QString LiveReader::text() const
{
    return fromTis(m_live.text());
}

QString LiveReader::stateText() const
{
    return fromTis(m_live.stateText());
}

}  // namespace scale
