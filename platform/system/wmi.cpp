#include "platform/system/wmi.h"

#include "platform/runtime/runtime_error.h"
#include "platform/system/portmap.h"

#include <QRegularExpression>

namespace platform::system {

namespace {
constexpr int kInvalidQuery = -2147217385;  // 0x80041017
constexpr int kInvalidClass = -2147217392;  // 0x80041010

bool likeFrom(const QString &t, int ti, const QString &p, int pi)
{
    while (pi < p.size()) {
        const QChar c = p[pi];
        if (c == QLatin1Char('%')) {
            for (int k = ti; k <= t.size(); ++k)
                if (likeFrom(t, k, p, pi + 1))
                    return true;
            return false;
        }
        if (ti >= t.size())
            return false;
        if (c != QLatin1Char('_') && t[ti].toCaseFolded() != c.toCaseFolded())
            return false;
        ++ti;
        ++pi;
    }
    return ti == t.size();
}
} // namespace

bool likeMatch(const QString &text, const QString &pattern)
{
    return likeFrom(text, 0, pattern, 0);
}

QVariant SWbemObject::Property(const QString &name) const
{
    for (auto it = m_properties.cbegin(); it != m_properties.cend(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    platform::raise(platform::err::MemberNotSupported);
}

QList<SWbemObject> SWbemServices::ExecQuery(const QString &wql) const
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+(\\w+)(?:\\s+WHERE\\s+(\\w+)\\s+LIKE\\s+'([^']*)')?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(wql);
    if (!m.hasMatch())
        platform::raise(kInvalidQuery, QStringLiteral("Invalid query"));
    if (m.captured(1).compare(QStringLiteral("Win32_PnPEntity"), Qt::CaseInsensitive) != 0)
        platform::raise(kInvalidClass, QStringLiteral("Invalid class"));
    const QString property = m.captured(2);
    const QString pattern = m.captured(3);

    QList<SWbemObject> rows;
    for (const PortEntry &p : serialPorts()) {
        QVariantMap props;
        const QString name = p.usbAdapter ? QStringLiteral("USB Serial Port (COM%1)").arg(p.comNumber)
                                          : QStringLiteral("Communications Port (COM%1)").arg(p.comNumber);
        props.insert(QStringLiteral("Name"), name);
        props.insert(QStringLiteral("Caption"), name);
        props.insert(QStringLiteral("DeviceID"),
                     p.usbAdapter ? QStringLiteral("FTDIBUS\\") + p.deviceKey + QStringLiteral("\\0000")
                                  : QStringLiteral("ACPI\\PNP0501\\%1").arg(p.comNumber));
        props.insert(QStringLiteral("Service"), p.usbAdapter ? QStringLiteral("FTSER2K") : QStringLiteral("Serial"));
        if (!property.isEmpty()) {
            QVariant value;
            for (auto it = props.cbegin(); it != props.cend(); ++it)
                if (it.key().compare(property, Qt::CaseInsensitive) == 0)
                    value = it.value();
            if (!value.isValid())
                platform::raise(kInvalidQuery, QStringLiteral("Invalid query"));
            if (!likeMatch(value.toString(), pattern))
                continue;
        }
        rows.push_back(SWbemObject(props));
    }
    return rows;
}

SWbemServices GetObject(const QString &moniker)
{
    static const QRegularExpression re(
        QStringLiteral("^winmgmts:(\\{[^}]*\\}!?)?(\\\\\\\\\\.\\\\)?root\\\\cimv2$"),
        QRegularExpression::CaseInsensitiveOption);
    if (!qEnvironmentVariableIsEmpty("TALVIK_WMI_UNAVAILABLE") || !re.match(moniker).hasMatch())
        platform::raise(platform::err::CannotCreateObject);
    return SWbemServices();
}

} // namespace platform::system
