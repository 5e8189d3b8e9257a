// Deterministic half-hour demand records: plausible day curves of kW x 10.
#pragma once

#include <QDateTime>
#include <QList>

#include <cstdint>

namespace devicesim {

// One stored record. The device stamps a record with the END of its half
// hour (the record of 09:00-09:30 carries 09:30). stamp is the device's wall
// clock, kept in a Qt::UTC QDateTime so that no time-zone rule shifts it.
struct DemandRecord {
    QDateTime stamp;
    int watt = 0;   // kW x 10, 0..9999
};

// Mixes seed, customer and slot into one pseudo-random 64-bit value.
std::uint64_t mix(std::uint64_t a, std::uint64_t b, std::uint64_t c);

// Peak demand (kW x 10) of a customer, 800..4000.
int peakFor(std::uint64_t seed, int customerIndex);

// The demand of the half hour that ends at stamp: a weekday curve with a
// morning rise, a lunch dip and an evening fall over a base load, lower on
// weekends, with a few per cent of noise. Depends only on seed, customer and
// stamp, so overlapping ranges give equal values.
int demandAt(std::uint64_t seed, int customerIndex, const QDateTime &stamp);

// days x 48 records, oldest first, the last stamped end (rounded down to a
// half hour). days <= 0 gives no records.
QList<DemandRecord> generateDemand(std::uint64_t seed, int customerIndex,
                                   const QDateTime &end, int days);

// Rounds a wall-clock time down to the half hour (seconds dropped).
QDateTime floorToHalfHour(const QDateTime &t);

} // namespace devicesim
