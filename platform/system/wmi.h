#pragma once
// A WMI-style device query. Only the class Win32_PnPEntity of the namespace
// "root\cimv2" is known: one row per serial port present, every USB serial
// adapter named "USB Serial Port (COMn)", every fixed port
// "Communications Port (COMn)". Queries have the form
//   SELECT * FROM Win32_PnPEntity [WHERE <property> LIKE '<pattern>']
// with the LIKE wildcards % and _, compared without regard to case.
// Failures raise platform::RuntimeError, as the scripting call does; setting
// the environment variable TALVIK_WMI_UNAVAILABLE makes the service missing.
#include <QList>
#include <QString>
#include <QVariantMap>

namespace platform::system {

class SWbemObject {
public:
    explicit SWbemObject(QVariantMap properties) : m_properties(std::move(properties)) {}
    // The property's value; raises run-time error 438 for an unknown property.
    QVariant Property(const QString &name) const;

private:
    QVariantMap m_properties;
};

class SWbemServices {
public:
    // Raises run-time error 0x80041017 style errors (number -2147217385) for
    // a query it cannot parse and 0x80041010 (-2147217392) for an unknown class.
    QList<SWbemObject> ExecQuery(const QString &wql) const;
};

// The moniker "winmgmts:\\.\root\cimv2" (optionally with an
// impersonation part in braces) gives the service; anything else, or a
// missing service, raises run-time error 429 ("ActiveX component can't create object").
SWbemServices GetObject(const QString &moniker);

// True when text matches a LIKE pattern (% any run, _ one character), ignoring case.
bool likeMatch(const QString &text, const QString &pattern);

} // namespace platform::system
