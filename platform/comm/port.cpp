#include "platform/comm/port.h"

#include "platform/comm/serialport.h"

#include <QStringList>

namespace platform::comm {

bool LineSettings::parse(const QString &text, LineSettings &out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return false;
    LineSettings s;
    s.baudRate = baud;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        s.parity = Parity::None;
    else if (parity == QLatin1String("O"))
        s.parity = Parity::Odd;
    else if (parity == QLatin1String("E"))
        s.parity = Parity::Even;
    else if (parity == QLatin1String("M"))
        s.parity = Parity::Mark;
    else if (parity == QLatin1String("S"))
        s.parity = Parity::Space;
    else
        return false;
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return false;
    s.dataBits = data;
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = StopBits::One;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = StopBits::OneAndHalf;
    else if (stop == QLatin1String("2"))
        s.stopBits = StopBits::Two;
    else
        return false;
    out = s;
    return true;
}

namespace {
PortFactory &defaultFactory()
{
    static PortFactory f;
    return f;
}
} // namespace

void setDefaultPortFactory(PortFactory factory)
{
    defaultFactory() = std::move(factory);
}

std::unique_ptr<IPort> createDefaultPort()
{
    if (defaultFactory())
        return defaultFactory()();
    return std::make_unique<SerialPort>();
}

} // namespace platform::comm
