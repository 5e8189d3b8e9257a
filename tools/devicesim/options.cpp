#include "tools/devicesim/options.h"

namespace devicesim {

QString usageText()
{
    return QStringLiteral(
        "usage: talvik-devicesim --model MODEL --link PATH [options]\n"
        "  --model MODEL      RDX-9, T4KA-1.0, T4KA, T4KB, T6KA, UNKNOWN or SILENT\n"
        "  --link PATH        symbolic link to the pseudo-terminal's slave (removed on exit)\n"
        "  --customers N      reader: customers held (default 3); detector: 0 = no customer number\n"
        "  --days D           stored days of half-hour records per customer (default 7)\n"
        "  --seed S           seed of customer numbers and demand curves (default 1)\n"
        "  --end YYYYMMDDHHMM stamp of the last record (default: now)\n"
        "  --clock YYYYMMDDHHMM  initial device clock (default: now)\n"
        "  --fault FAULT      CMD:KIND[:ARG][@BLOCK][xTIMES], repeatable (see README.md)\n"
        "  --ack-timeout MS   give up a block transfer after MS without ACK/NAK (default 3000)\n"
        "  --quiet            no frame log on standard error\n");
}

namespace {

bool parseStamp(const QString &text, QDateTime *out)
{
    const QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyyMMddHHmm"));
    if (!t.isValid() || text.size() != 12)
        return false;
    *out = QDateTime(t.date(), t.time(), Qt::UTC);
    return true;
}

} // namespace

bool parseProgramOptions(const QStringList &args, ProgramOptions *out, QString *error, bool *helpShown)
{
    if (helpShown)
        *helpShown = false;
    ProgramOptions o;
    bool haveModel = false;
    std::optional<QDateTime> clock;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            if (helpShown)
                *helpShown = true;
            *error = usageText();
            return false;
        }
        if (a == QLatin1String("--quiet")) {
            o.quiet = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("missing value after %1\n").arg(a) + usageText();
            return false;
        }
        const QString v = args[++i];
        bool ok = true;
        if (a == QLatin1String("--model")) {
            const auto m = parseModel(v);
            if (!m) {
                *error = QStringLiteral("unknown model '%1'\n").arg(v) + usageText();
                return false;
            }
            o.config.model = *m;
            haveModel = true;
        } else if (a == QLatin1String("--link")) {
            o.linkPath = v;
        } else if (a == QLatin1String("--customers")) {
            o.config.customers = v.toInt(&ok);
            ok = ok && o.config.customers >= 0 && o.config.customers <= 99;
        } else if (a == QLatin1String("--days")) {
            o.config.days = v.toInt(&ok);
            ok = ok && o.config.days >= 0 && o.config.days <= 3660;
        } else if (a == QLatin1String("--seed")) {
            o.config.seed = v.toULongLong(&ok);
        } else if (a == QLatin1String("--end")) {
            QDateTime t;
            ok = parseStamp(v, &t);
            if (ok)
                o.config.end = t;
        } else if (a == QLatin1String("--clock")) {
            QDateTime t;
            ok = parseStamp(v, &t);
            if (ok)
                clock = t;
        } else if (a == QLatin1String("--ack-timeout")) {
            o.ackTimeoutMs = v.toInt(&ok);
            ok = ok && o.ackTimeoutMs > 0;
        } else if (a == QLatin1String("--fault")) {
            QString why;
            const auto f = parseFault(v, &why);
            if (!f) {
                *error = why;
                return false;
            }
            o.faults.append(*f);
        } else {
            *error = QStringLiteral("unknown option %1\n").arg(a) + usageText();
            return false;
        }
        if (!ok) {
            *error = QStringLiteral("bad value '%1' for %2").arg(v, a);
            return false;
        }
    }
    if (!haveModel || o.linkPath.isEmpty()) {
        *error = QStringLiteral("--model and --link are required\n") + usageText();
        return false;
    }
    o.config.clock = clock;
    *out = o;
    return true;
}

} // namespace devicesim
