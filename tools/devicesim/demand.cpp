#include "tools/devicesim/demand.h"

#include <algorithm>
#include <cmath>

namespace devicesim {

namespace {

std::uint64_t splitmix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

std::uint64_t mix(std::uint64_t a, std::uint64_t b, std::uint64_t c)
{
    return splitmix(splitmix(splitmix(a) ^ b) ^ c);
}

int peakFor(std::uint64_t seed, int customerIndex)
{
    return 800 + int(mix(seed, std::uint64_t(customerIndex), 0xC0FFEEull) % 3201);
}

QDateTime floorToHalfHour(const QDateTime &t)
{
    const QTime tm = t.time();
    return QDateTime(t.date(), QTime(tm.hour(), tm.minute() < 30 ? 0 : 30), Qt::UTC);
}

int demandAt(std::uint64_t seed, int customerIndex, const QDateTime &stamp)
{
    const QDateTime start = stamp.addSecs(-1800);
    const double h = start.time().hour() + start.time().minute() / 60.0 + 0.25;
    const int dow = start.date().dayOfWeek(); // 1 Monday .. 7 Sunday
    const double weekFactor = dow == 6 ? 0.55 : (dow == 7 ? 0.40 : 1.0);

    double day = 0.0;
    if (h > 7.0 && h < 20.0) {
        day = std::pow(std::sin(M_PI * (h - 7.0) / 13.0), 1.5);
        if (h >= 12.0 && h < 13.0)
            day *= 0.85;
    }
    const double base = 0.30;
    const std::uint64_t slot = std::uint64_t(stamp.toSecsSinceEpoch() / 1800);
    const double noise = (double(mix(seed, std::uint64_t(customerIndex) + 1, slot) % 1201) - 600.0)
                         / 10000.0; // -6 % .. +6 %
    const double value = peakFor(seed, customerIndex) * (base + (1.0 - base) * day * weekFactor)
                         * (1.0 + noise);
    return std::clamp(int(std::lround(value)), 0, 9999);
}

DemandSeries::DemandSeries(std::uint64_t seed, int customerIndex, const QDateTime &last, qsizetype count)
    : m_seed(seed), m_customer(customerIndex), m_last(last), m_count(count < 0 ? 0 : count)
{
}

DemandRecord DemandSeries::at(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < m_count);
    DemandRecord r;
    r.stamp = m_last.addSecs(-qint64(m_count - 1 - i) * 1800);
    r.watt = demandAt(m_seed, m_customer, r.stamp);
    return r;
}

DemandSeries::operator QList<DemandRecord>() const
{
    QList<DemandRecord> out;
    out.reserve(m_count);
    for (const DemandRecord &r : *this)
        out.append(r);
    return out;
}

DemandSeries generateDemand(std::uint64_t seed, int customerIndex, const QDateTime &end, int days)
{
    if (days <= 0)
        return {};
    return DemandSeries(seed, customerIndex, floorToHalfHour(end), qsizetype(days) * 48);
}

} // namespace devicesim
