#include "numeric.h"
#include "runtime_error.h"

#include <cmath>
#include <limits>

namespace platform {

namespace {

// Length of the numeric prefix of text starting at pos; 0 when there is none.
int numericPrefix(const QString &text, int pos, bool allowTrailingGarbage, double *value)
{
    const int n = text.size();
    int i = pos;
    QString digits;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        digits += text[i];
        ++i;
    }
    bool any = false;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        digits += text[i++];
        any = true;
    }
    if (i < n && text[i] == u'.') {
        digits += text[i++];
        while (i < n && text[i].unicode() < 128 && text[i].isDigit()) {
            digits += text[i++];
            any = true;
        }
    }
    if (!any)
        return 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        int j = i + 1;
        QString exp = QStringLiteral("e");
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exp += text[j++];
        bool expDigits = false;
        while (j < n && text[j].unicode() < 128 && text[j].isDigit()) {
            exp += text[j++];
            expDigits = true;
        }
        if (expDigits) {
            digits += exp;
            i = j;
        }
    }
    (void)allowTrailingGarbage;
    if (value)
        *value = digits.toDouble();
    return i - pos;
}

} // namespace

double Val(const QString &text)
{
    int pos = 0;
    while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
        ++pos;
    double v = 0;
    if (numericPrefix(text, pos, true, &v) == 0)
        return 0;
    return v;
}

bool IsNumeric(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    double v = 0;
    return numericPrefix(t, 0, false, &v) == t.size();
}

static double roundHalfEven(double value)
{
    return std::nearbyint(value); // default rounding mode is to nearest, ties to even
}

std::int16_t CInt(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0))
        raise(err::Overflow);
    return static_cast<std::int16_t>(r);
}

std::int16_t CInt(const QString &text)
{
    if (!IsNumeric(text))
        raise(err::TypeMismatch);
    return CInt(text.trimmed().toDouble());
}

std::int32_t CLng(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        raise(err::Overflow);
    return static_cast<std::int32_t>(r);
}

std::int32_t CLng(const QString &text)
{
    if (!IsNumeric(text))
        raise(err::TypeMismatch);
    return CLng(text.trimmed().toDouble());
}

QString FormatZero(long long value, int digits)
{
    const bool negative = value < 0;
    const unsigned long long magnitude =
        negative ? static_cast<unsigned long long>(-(value + 1)) + 1 : static_cast<unsigned long long>(value);
    QString body = QString::number(magnitude).rightJustified(digits, u'0');
    return negative ? QStringLiteral("-") + body : body;
}

} // namespace platform
