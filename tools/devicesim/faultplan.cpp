#include "tools/devicesim/faultplan.h"

#include <QStringList>

namespace devicesim {

namespace {

struct KindName {
    const char *name;
    FaultKind kind;
};

const KindName kKinds[] = {
    {"badbcc", FaultKind::BadBcc},       {"nak", FaultKind::Nak},
    {"alwaysnak", FaultKind::Nak},       {"garbage", FaultKind::Garbage},
    {"silence", FaultKind::Silence},     {"delay", FaultKind::Delay},
    {"partial", FaultKind::Partial},     {"noise", FaultKind::Noise},
    {"ackinframe", FaultKind::AckInFrame}, {"nakinframe", FaultKind::NakInFrame},
    {"dupstx", FaultKind::DupStx},       {"oversize", FaultKind::Oversize},
    {"badfield", FaultKind::BadField},   {"unplug", FaultKind::Unplug},
};

const char *const kCommands[] = {"RV", "RS", "RSA", "RSB", "WS", "WSA", "WSB",
                                 "RT", "WT", "RC", "WC", "RD", "*"};

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QString faultKindName(FaultKind kind)
{
    for (const auto &k : kKinds)
        if (k.kind == kind)
            return QString::fromLatin1(k.name);
    return QStringLiteral("none");
}

std::optional<Fault> parseFault(const QString &text, QString *error)
{
    Fault f;
    QString rest = text.trimmed();

    // Trailing "xTIMES" and "@BLOCK" come off first, from the right.
    const int xPos = rest.lastIndexOf(QLatin1Char('x'));
    const QString timesText = xPos > 0 ? rest.mid(xPos + 1) : QString();
    bool digitsOnly = !timesText.isEmpty();
    for (QChar c : timesText)
        digitsOnly = digitsOnly && c.isDigit();
    if (digitsOnly && xPos > rest.lastIndexOf(QLatin1Char('@'))) {
        const int times = timesText.toInt();
        if (times < 1) {
            fail(error, QStringLiteral("bad repeat count in fault '%1'").arg(text));
            return std::nullopt;
        }
        f.times = times;
        rest.truncate(xPos);
    }
    const int atPos = rest.lastIndexOf(QLatin1Char('@'));
    if (atPos >= 0) {
        const QString b = rest.mid(atPos + 1);
        if (b == QLatin1String("*")) {
            f.block = 0;
        } else {
            bool ok = false;
            f.block = b.toInt(&ok);
            if (!ok || f.block < 1) {
                fail(error, QStringLiteral("bad block in fault '%1'").arg(text));
                return std::nullopt;
            }
        }
        rest.truncate(atPos);
    }

    const QStringList parts = rest.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3) {
        fail(error, QStringLiteral("fault '%1' is not CMD:KIND[:ARG]").arg(text));
        return std::nullopt;
    }
    const QByteArray cmd = parts[0].toUpper().toLatin1();
    bool known = false;
    for (const char *c : kCommands)
        known = known || cmd == c;
    if (!known) {
        fail(error, QStringLiteral("unknown command '%1' in fault '%2'").arg(parts[0], text));
        return std::nullopt;
    }
    f.command = cmd;

    const QString kindName = parts[1].toLower();
    for (const auto &k : kKinds)
        if (kindName == QLatin1String(k.name))
            f.kind = k.kind;
    if (f.kind == FaultKind::None) {
        fail(error, QStringLiteral("unknown fault kind '%1'").arg(parts[1]));
        return std::nullopt;
    }
    const QString arg = parts.size() == 3 ? parts[2] : QString();

    switch (f.kind) {
    case FaultKind::Nak:
        if (kindName == QLatin1String("alwaysnak")) {
            f.times = -1;
        } else {
            int k = 1;
            if (!arg.isEmpty()) {
                bool ok = false;
                k = arg.toInt(&ok);
                if (!ok || k < 1) {
                    fail(error, QStringLiteral("bad NAK count in fault '%1'").arg(text));
                    return std::nullopt;
                }
            }
            f.times = k;
        }
        break;
    case FaultKind::Delay: {
        f.arg = 1500;
        if (!arg.isEmpty()) {
            bool ok = false;
            f.arg = arg.toInt(&ok);
            if (!ok || f.arg < 0) {
                fail(error, QStringLiteral("bad delay in fault '%1'").arg(text));
                return std::nullopt;
            }
        }
        break;
    }
    case FaultKind::BadField:
        if (!arg.isEmpty()) {
            const int eq = arg.indexOf(QLatin1Char('='));
            bool ok = false;
            f.fieldPos = eq > 0 ? arg.left(eq).toInt(&ok) : -1;
            f.fieldText = eq > 0 ? arg.mid(eq + 1).toLatin1() : QByteArray();
            if (!ok || f.fieldPos < 1 || f.fieldText.isEmpty()) {
                fail(error, QStringLiteral("badfield wants POS=TEXT in fault '%1'").arg(text));
                return std::nullopt;
            }
        }
        break;
    default:
        if (!arg.isEmpty()) {
            fail(error, QStringLiteral("fault '%1' takes no argument").arg(text));
            return std::nullopt;
        }
        break;
    }
    return f;
}

bool FaultPlan::add(const QString &text, QString *error)
{
    auto f = parseFault(text, error);
    if (!f)
        return false;
    m_faults.append(*f);
    return true;
}

void FaultPlan::clear(const QByteArray &command)
{
    m_faults.removeIf([&](const Fault &f) { return f.command == command; });
}

std::optional<Fault> FaultPlan::takeRequestFault(const QByteArray &command)
{
    return take(command, 0, true);
}

std::optional<Fault> FaultPlan::takeFrameFault(const QByteArray &command, int block)
{
    return take(command, block, false);
}

std::optional<Fault> FaultPlan::take(const QByteArray &command, int block, bool requestLevel)
{
    for (int i = 0; i < m_faults.size(); ++i) {
        Fault &f = m_faults[i];
        if (f.command != command && f.command != "*")
            continue;
        if (f.isRequestFault() != requestLevel)
            continue;
        if (!requestLevel && f.block != 0 && f.block != block)
            continue;
        const Fault hit = f;
        if (f.times > 0 && --f.times == 0)
            m_faults.removeAt(i);
        return hit;
    }
    return std::nullopt;
}

} // namespace devicesim
