#include "codepage.h"
#include "platform/runtime/runtime_error.h"

#include <QList>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace platform::codepage {

namespace {

class Converter {
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts in; on an unconvertible sequence returns false and sets failAt
    // to its offset in the input.
    bool convert(const QByteArray &in, QByteArray &out, qsizetype &failAt) const
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            platform::raise(platform::err::InvalidProcedureCall,
                            QStringLiteral("CP932 conversion is not available on this system"));
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.clear();
        out.resize(in.size() * 2 + 16);
        char *src = const_cast<char *>(in.constData());
        size_t srcLeft = static_cast<size_t>(in.size());
        char *dst = out.data();
        size_t dstLeft = static_cast<size_t>(out.size());
        while (srcLeft > 0) {
            size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG) {
                    const qsizetype used = dst - out.data();
                    out.resize(out.size() * 2);
                    dst = out.data() + used;
                    dstLeft = static_cast<size_t>(out.size() - used);
                    continue;
                }
                failAt = src - in.constData();
                return false;
            }
        }
        out.resize(dst - out.data());
        return true;
    }

    // Converts in, replacing every sequence iconv refuses (an invalid byte,
    // an incomplete pair at the end) by `replacement` and going on with the
    // next byte. One pass over the input.
    void convertLenient(const QByteArray &in, QByteArray &out, const QByteArray &replacement) const
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            platform::raise(platform::err::InvalidProcedureCall,
                            QStringLiteral("CP932 conversion is not available on this system"));
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.clear();
        out.resize(in.size() * 2 + 16);
        char *src = const_cast<char *>(in.constData());
        size_t srcLeft = static_cast<size_t>(in.size());
        qsizetype used = 0;
        auto reserve = [&](qsizetype more) {
            if (out.size() - used < more)
                out.resize(qMax(out.size() * 2, used + more));
        };
        while (srcLeft > 0) {
            char *dst = out.data() + used;
            size_t dstLeft = static_cast<size_t>(out.size() - used);
            const size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            const int why = errno;
            used = dst - out.data();
            if (r != static_cast<size_t>(-1))
                break;
            if (why == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // The refused byte becomes the replacement; conversion starts
            // afresh at the byte after it.
            reserve(replacement.size());
            std::memcpy(out.data() + used, replacement.constData(), static_cast<size_t>(replacement.size()));
            used += replacement.size();
            ++src;
            --srcLeft;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(used);
    }

private:
    iconv_t m_cd;
};

const Converter &encoder()
{
    static const Converter c("CP932", "UTF-8");
    return c;
}

const Converter &decoder()
{
    static const Converter c("UTF-8", "CP932");
    return c;
}

} // namespace

namespace {

// CP932 takes the 128 ASCII codes as they are, both ways: texts of plain
// ASCII (every table line, every CSV line the program writes or reads) are
// converted without the converter.
bool isAscii(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return false;
    return true;
}

bool isAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QByteArray toAnsi(const QString &text)
{
    if (isAscii(text))
        return text.toLatin1();
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    qsizetype failAt = 0;
    if (!encoder().convert(utf8, out, failAt)) {
        const QString rest = QString::fromUtf8(utf8.mid(failAt));
        const QList<uint> ucs4 = rest.toUcs4();
        const char32_t code = ucs4.isEmpty() ? 0 : ucs4.first();
        const QString bad = QString::fromUcs4(&code, 1);
        platform::raise(platform::err::InvalidProcedureCall,
                        QStringLiteral("文字「%1」(U+%2) はシステムの文字コードで表せません")
                            .arg(bad)
                            .arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')));
    }
    return out;
}

bool isAnsiEncodable(const QString &text)
{
    QByteArray out;
    qsizetype failAt = 0;
    return encoder().convert(text.toUtf8(), out, failAt);
}

QString fromAnsi(const QByteArray &bytes)
{
    if (isAscii(bytes.constData(), bytes.size()))
        return QString::fromLatin1(bytes);
    QByteArray out;
    qsizetype failAt = 0;
    if (!decoder().convert(bytes, out, failAt))
        platform::raise(platform::err::InvalidProcedureCall,
                        QStringLiteral("CP932 として読めないバイト列があります (位置 %1)").arg(failAt));
    return QString::fromUtf8(out);
}

QString fromAnsiLenient(const QByteArray &bytes)
{
    static const QByteArray replacement = QString(QChar(0xFFFD)).toUtf8();
    QByteArray out;
    decoder().convertLenient(bytes, out, replacement);
    return QString::fromUtf8(out);
}

} // namespace platform::codepage
