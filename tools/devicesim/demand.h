// Deterministic half-hour demand records: plausible day curves of kW x 10.
#pragma once

#include <QDateTime>
#include <QList>

#include <cstdint>
#include <iterator>

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

// The records of one customer, oldest first, one every half hour up to the
// last stamp. A record is worked out when it is asked for (its value depends
// only on seed, customer and half hour), so that a reader of 99 customers
// with ten years each costs no memory for its records.
class DemandSeries {
public:
    DemandSeries() = default;
    DemandSeries(std::uint64_t seed, int customerIndex, const QDateTime &last, qsizetype count);

    qsizetype size() const { return m_count; }
    qsizetype count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Record i, 0 <= i < size().
    DemandRecord at(qsizetype i) const;
    DemandRecord operator[](qsizetype i) const { return at(i); }
    DemandRecord first() const { return at(0); }
    DemandRecord last() const { return at(m_count - 1); }
    // The device deletes a customer's records.
    void clear() { m_count = 0; }
    // Every record as a list (tests compare with it).
    operator QList<DemandRecord>() const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = DemandRecord;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = DemandRecord;
        const_iterator(const DemandSeries *s, qsizetype i) : m_s(s), m_i(i) {}
        DemandRecord operator*() const { return m_s->at(m_i); }
        const_iterator &operator++() { ++m_i; return *this; }
        bool operator==(const const_iterator &o) const { return m_i == o.m_i; }
        bool operator!=(const const_iterator &o) const { return m_i != o.m_i; }
    private:
        const DemandSeries *m_s;
        qsizetype m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_count}; }

private:
    std::uint64_t m_seed = 0;
    int m_customer = 0;
    QDateTime m_last;
    qsizetype m_count = 0;
};

// days x 48 records, oldest first, the last stamped end (rounded down to a
// half hour). days <= 0 gives no records.
DemandSeries generateDemand(std::uint64_t seed, int customerIndex, const QDateTime &end, int days);

// Rounds a wall-clock time down to the half hour (seconds dropped).
QDateTime floorToHalfHour(const QDateTime &t);

} // namespace devicesim
