#pragma once
// The functions of the text driver's SQL dialect, as plain C++ and as SQL
// functions of the in-memory engine.
#include <QString>
#include <QVariant>
#include <optional>

struct sqlite3;

namespace platform::textdb {

// MID(text, start[, length]): characters from the 1-based start.
QString jetMid(const QString &text, long long start, long long length = -1);
// FORMAT(value, format): numeric formats ("0000", "##0", "#,##0.0") and
// date/time formats ("HH時nn分", "yyyy/mm/dd", "aaa" for the Japanese short
// weekday). A date/time format takes a number as a date serial (days since
// 1899-12-30, the fraction being the time of day) and a text as a date and/or
// time; a six-digit text is read as the table's YYMMDD date in the 2000s.
// A value that does not fit the kind of format comes back as its text. A
// date/time format refuses a number that is not finite or lies outside the
// date type (0100-01-01 to 9999-12-31), a numeric format a number that is not
// finite: RuntimeError numbered textdbErrorNumber (the SQL function FORMAT
// fails its statement with it).
QString jetFormat(const QVariant &value, const QString &format);
// TimeValue(text): the time of day as a fraction of a day; nullopt when the
// text is not a time.
std::optional<double> jetTimeValue(const QString &text);

// Registers MID, JET_LEFT, JET_RIGHT, VAL, FORMAT and TIMEVALUE (IIF is the
// engine's own).
void registerJetFunctions(sqlite3 *db);

} // namespace platform::textdb
