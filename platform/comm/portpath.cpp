#include "platform/comm/portpath.h"

#include "platform/system/portmap.h"

namespace platform::comm {

namespace {
ComPortResolver &resolver()
{
    static ComPortResolver r;
    return r;
}
} // namespace

QString fixedComPortPath(int number)
{
    if (number >= 1 && number <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    return QString();
}

QString comPortPath(int number)
{
    if (resolver())
        return resolver()(number);
    return platform::system::devicePathForPort(number);
}

void setComPortResolver(ComPortResolver r)
{
    resolver() = std::move(r);
}

} // namespace platform::comm
