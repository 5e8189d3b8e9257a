#pragma once
// The one check of customer names (customer folder names of the store).
#include <QString>

namespace talvik {

// Why a name cannot be a customer name, in Japanese; empty when it can.
// Refused: empty names, "." and "..", the characters \ / : * ? " < > |,
// control characters, leading or trailing blanks or dots, and names the
// ANSI code page (CP932) cannot encode.
QString validateCustomerName(const QString &name);
bool isValidCustomerName(const QString &name);

// A folder name that keeps tree keys intact: not empty, not "." or "..", no
// "\" and no ":". The tree walk skips folders that fail this.
bool isTreeKeySafeName(const QString &name);

} // namespace talvik
