#pragma once
// The first lenient CP932 decoding, kept as the reference of its output: the
// rest of the input is converted again after every refused byte (quadratic),
// the refused byte becomes U+FFFD. Tests and the fuzz harness compare the
// product's decoding with it on small inputs.
#include <QByteArray>
#include <QString>
#include <cerrno>
#include <iconv.h>

namespace codepagetest {

// Converts `in` from CP932; on a refused sequence returns false with failAt
// at its offset (out then holds what came before it).
inline bool referenceConvert(iconv_t cd, const QByteArray &in, QByteArray &out, qsizetype &failAt)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out = QByteArray(in.size() * 4 + 16, '\0');
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char *dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    bool ok = true;
    if (srcLeft > 0 && iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
        failAt = src - in.constData();
        ok = false;
    }
    out.resize(dst - out.data());
    return ok;
}

inline QString referenceLenient(const QByteArray &bytes)
{
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    QString result;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        QByteArray out;
        qsizetype failAt = 0;
        const QByteArray rest = bytes.mid(pos);
        if (referenceConvert(cd, rest, out, failAt)) {
            result += QString::fromUtf8(out);
            break;
        }
        result += QString::fromUtf8(out);
        result += QChar(0xFFFD);
        pos += failAt + 1;
    }
    iconv_close(cd);
    return result;
}

} // namespace codepagetest
