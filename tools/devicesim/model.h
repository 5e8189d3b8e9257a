// The devices the simulator can stand in for, and what each one stores.
#pragma once

#include "tools/devicesim/demand.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace devicesim {

enum class Model {
    Reader,    // "RDX-9": several customers, no settings
    T4KA10,    // first T4KA generation, settings layout RS/WS
    T4KA,      // later T4KA, layout RSA/WSA
    T4KB,      // layout RSA/WSA
    T6KA,      // layout RSB/WSB
    Unknown,   // answers RV with a text naming no known model, refuses the rest
    Silent,    // never answers
};

enum class SettingsLayout { None, S, SA, SB };

std::optional<Model> parseModel(const QString &name);
QString modelName(Model model);
SettingsLayout settingsLayoutOf(Model model);

// 16 ASCII characters, blank padded.
QByteArray versionTextOf(Model model);

// Length of the settings text between the command letters and the ETX of a
// settings frame: RS 10 ("RS" + 10), RSA 12 ("RSA" + 12), RSB 32 ("RSB" + 32).
int settingsTextLength(SettingsLayout layout);

// Field checks the device applies to a settings write (text = the bytes
// after the command letters, without ETX). Same rules the device's own
// replies obey; a little stricter than a host's read check where a value
// cannot make sense (CT primary of 0 A, caution level above 100 %, pulse
// constants other than the two the detector supports).
bool validSettingsText(SettingsLayout layout, const QByteArray &text);

// Clock fields YYMMDDhhmm of a clock write (10 bytes).
std::optional<QDateTime> parseClockFields(const QByteArray &fields);

bool isNineDigits(const QByteArray &number);

struct DeviceConfig {
    Model model = Model::T4KA;
    int customers = -1;          // reader: number of customers (default 3); detector: 0 or 1 (default 1)
    int days = 7;                // stored days per customer
    std::uint64_t seed = 1;
    std::optional<QDateTime> end;    // last record stamp (wall clock, as Qt::UTC); default: device clock now
    std::optional<QDateTime> clock;  // initial device clock (wall clock, as Qt::UTC); default: now
};

struct Customer {
    QByteArray number;               // 9 ASCII digits
    DemandSeries records;            // oldest first
};

// Wall clock of "now" as a Qt::UTC QDateTime (the local date and time
// without a zone, seconds kept).
QDateTime wallClockNow();

// Customer number i (0-based) of a given seed: 9 digits, unique per i.
QByteArray customerNumberFor(std::uint64_t seed, int index);

// Default settings text of a layout (plausible values).
QByteArray defaultSettingsText(SettingsLayout layout);

} // namespace devicesim
