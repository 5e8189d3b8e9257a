#pragma once
// The synthetic demand store of the benchmarks: customers x years of 17,520
// (17,568 in a leap year) half hours with day curves, from a seed.
#include "talvik/store/demandTable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cmath>
#include <random>

namespace bench {

// Demand in 0.1 kW: a working-day curve with noise.
inline int demandAt(std::mt19937 &rng, const QDateTime &t, int base)
{
    const double h = t.time().hour() + t.time().minute() / 60.0;
    const double day = std::exp(-std::pow((h - 13.0) / 4.0, 2));
    const double weekend = t.date().dayOfWeek() >= 6 ? 0.5 : 1.0;
    std::normal_distribution<double> noise(0, base * 0.05);
    return std::clamp(int(base * (0.3 + 0.7 * day * weekend) + noise(rng)), 0, 9999);
}

inline void writeYear(const QString &folder, int year, std::mt19937 &rng, int base)
{
    QDir().mkpath(folder);
    talvik::initTableFolder(folder);
    QByteArray out;
    out.reserve(17568 * 28);
    for (QDateTime t(QDate(year, 1, 1), QTime(0, 0), Qt::UTC); t.date().year() == year; t = t.addSecs(1800)) {
        out += t.toString(QStringLiteral("yyMMddHHmm")).toLatin1();
        out += QByteArray::number(demandAt(rng, t, base)).rightJustified(4, '0');
        out += t.addSecs(300).toString(QStringLiteral("yyyyMMddHHmm")).toLatin1();
        out += "\r\n";
    }
    QFile f(folder + QStringLiteral("/demand.csv"));
    f.open(QIODevice::WriteOnly);
    f.write(out);
}

inline void generate(const QString &home, int customers, int years, unsigned seed, const QString &store = QStringLiteral("dDB.tran"))
{
    std::mt19937 rng(seed);
    for (int c = 0; c < customers; ++c)
        for (int y = 0; y < years; ++y)
            writeYear(home + u'/' + store + QStringLiteral("/C%1/20%2年").arg(c, 3, 10, QLatin1Char('0')).arg(15 + y),
                      2015 + y, rng, 500 + c * 10);
}

// A program folder the program shows as it starts: the store as the
// committed data folder "dDB" (the program rebuilds its working copy from
// it), "system2.ini" with INIT "1" (no first-run wipe) and the serial
// settings of the build's program folder.
inline bool writeProgramStore(const QString &home, int customers, int years, unsigned seed)
{
    if (!QDir().mkpath(home))
        return false;
    generate(home, customers, years, seed, QStringLiteral("dDB"));
    QFile ini(home + QStringLiteral("/system2.ini"));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    ini.write("[SYSTEM_INFO]\r\nINIT=1\r\nfolder=\r\n");
    ini.close();
    const QString serial = QCoreApplication::applicationDirPath() + QStringLiteral("/Serial.ini");
    QFile::remove(home + QStringLiteral("/Serial.ini"));
    if (QFile::exists(serial))
        QFile::copy(serial, home + QStringLiteral("/Serial.ini"));
    return QFile::exists(home + QStringLiteral("/dDB"));
}

} // namespace bench
