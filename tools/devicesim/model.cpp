#include "tools/devicesim/model.h"

namespace devicesim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(const QByteArray &s)
{
    for (char c : s)
        if (!isDigit(c))
            return false;
    return !s.isEmpty();
}

int num2(const QByteArray &s, int pos) { return (s[pos] - '0') * 10 + (s[pos + 1] - '0'); }

bool validWatt(const QByteArray &w) { return w.size() == 4 && allDigits(w) && w[3] == '0'; }

bool validSkip(const QByteArray &s, int low)
{
    if (s.size() != 2 || !allDigits(s))
        return false;
    const int v = num2(s, 0);
    return v >= low && v <= 15;
}

// CT primary current in A, "000" format: 005 .. 595, a multiple of 5.
bool validCtPrimary(const QByteArray &p)
{
    if (p.size() != 3 || !allDigits(p) || p[0] > '5' || (p[2] != '0' && p[2] != '5'))
        return false;
    return p.toInt() >= 5;
}

// Caution level in percent: 000, or 070 .. 100.
bool validLevel(const QByteArray &l)
{
    if (l.size() != 3 || !allDigits(l) || l[0] > '1')
        return false;
    if (l[1] != '0' && l[1] < '7')
        return false;
    return l.toInt() <= 100;
}

} // namespace

std::optional<Model> parseModel(const QString &name)
{
    const QString n = name.trimmed().toUpper();
    if (n == QLatin1String("RDX-9"))
        return Model::Reader;
    if (n == QLatin1String("T4KA-1.0"))
        return Model::T4KA10;
    if (n == QLatin1String("T4KA"))
        return Model::T4KA;
    if (n == QLatin1String("T4KB"))
        return Model::T4KB;
    if (n == QLatin1String("T6KA"))
        return Model::T6KA;
    if (n == QLatin1String("UNKNOWN"))
        return Model::Unknown;
    if (n == QLatin1String("SILENT"))
        return Model::Silent;
    return std::nullopt;
}

QString modelName(Model model)
{
    switch (model) {
    case Model::Reader: return QStringLiteral("RDX-9");
    case Model::T4KA10: return QStringLiteral("T4KA-1.0");
    case Model::T4KA: return QStringLiteral("T4KA");
    case Model::T4KB: return QStringLiteral("T4KB");
    case Model::T6KA: return QStringLiteral("T6KA");
    case Model::Unknown: return QStringLiteral("UNKNOWN");
    case Model::Silent: return QStringLiteral("SILENT");
    }
    return QString();
}

SettingsLayout settingsLayoutOf(Model model)
{
    switch (model) {
    case Model::T4KA10: return SettingsLayout::S;
    case Model::T4KA:
    case Model::T4KB: return SettingsLayout::SA;
    case Model::T6KA: return SettingsLayout::SB;
    default: return SettingsLayout::None;
    }
}

QByteArray versionTextOf(Model model)
{
    // Later generations carry "2.x" firmware so that "1.0" appears only in
    // the first T4KA generation's text.
    QByteArray v;
    switch (model) {
    case Model::Reader: v = "RDX-9 Ver2.3"; break;
    case Model::T4KA10: v = "T4KA Ver1.0"; break;
    case Model::T4KA: v = "T4KA Ver2.1"; break;
    case Model::T4KB: v = "T4KB Ver2.0"; break;
    case Model::T6KA: v = "T6KA Ver2.2"; break;
    case Model::Unknown: v = "XK-200 Ver3.4"; break;
    case Model::Silent: v = ""; break;
    }
    return v.leftJustified(16, ' ', true);
}

int settingsTextLength(SettingsLayout layout)
{
    switch (layout) {
    case SettingsLayout::S: return 10;
    case SettingsLayout::SA: return 12;
    case SettingsLayout::SB: return 32;
    case SettingsLayout::None: break;
    }
    return 0;
}

QByteArray defaultSettingsText(SettingsLayout layout)
{
    switch (layout) {
    // watt 180.0 kW, CT 50/5, skip 10 min, caution 80 %, interval 3 min, buzzer 20 s
    case SettingsLayout::S: return "1800" "1" "10" "1" "2" "1";
    // watt 250.0 kW, CT 100/5, skip 10 min, caution 80 %
    case SettingsLayout::SA: return "2500" "100" "10" "080";
    // watt 300.0 kW, CT 150/5, skip 5 min, caution 90 %, pulse 50000, reserved blanks
    case SettingsLayout::SB: return QByteArray("3000" "150" "05" "090" "50000") + QByteArray(15, ' ');
    case SettingsLayout::None: break;
    }
    return QByteArray();
}

bool validSettingsText(SettingsLayout layout, const QByteArray &t)
{
    if (layout == SettingsLayout::None || t.size() != settingsTextLength(layout))
        return false;
    switch (layout) {
    case SettingsLayout::S:
        return validWatt(t.mid(0, 4)) && t[4] >= '0' && t[4] <= '3' && validSkip(t.mid(5, 2), 5)
               && t[7] >= '0' && t[7] <= '2' && t[8] >= '0' && t[8] <= '3' && t[9] >= '0'
               && t[9] <= '2';
    case SettingsLayout::SA:
        return validWatt(t.mid(0, 4)) && validCtPrimary(t.mid(4, 3)) && validSkip(t.mid(7, 2), 5)
               && validLevel(t.mid(9, 3));
    case SettingsLayout::SB: {
        const QByteArray pulse = t.mid(12, 5);
        return validWatt(t.mid(0, 4)) && validCtPrimary(t.mid(4, 3)) && validSkip(t.mid(7, 2), 3)
               && validLevel(t.mid(9, 3)) && (pulse == "50000" || pulse == "02000");
    }
    case SettingsLayout::None: break;
    }
    return false;
}

std::optional<QDateTime> parseClockFields(const QByteArray &f)
{
    if (f.size() != 10 || !allDigits(f))
        return std::nullopt;
    const QDate d(2000 + num2(f, 0), num2(f, 2), num2(f, 4));
    const int hh = num2(f, 6), mm = num2(f, 8);
    if (!d.isValid() || hh > 23 || mm > 59)
        return std::nullopt;
    return QDateTime(d, QTime(hh, mm), Qt::UTC);
}

bool isNineDigits(const QByteArray &number) { return number.size() == 9 && allDigits(number); }

QDateTime wallClockNow()
{
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

QByteArray customerNumberFor(std::uint64_t seed, int index)
{
    // Seven digits from the seed after a two-digit running index.
    const std::uint64_t low = mix(seed, 0x5EEDull, 0) % 10000000ull;
    return QByteArray::number(qulonglong((index + 1) % 100) * 10000000ull + low).rightJustified(9, '0');
}

} // namespace devicesim
