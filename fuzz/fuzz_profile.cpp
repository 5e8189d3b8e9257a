// INI files from bytes: reading keys of a few sections (names with CP932
// characters whose second byte is "\" among them) with buffers of every
// size, then writing one key. A read returns at most size - 1 CP932 bytes; a
// write that succeeds is read back as written and leaves the other keys'
// values as they were.
#include "fuzzSupport.h"
#include "platform/codepage/codepage.h"
#include "platform/profile/profile.h"

#include <QFile>
#include <cstddef>
#include <cstdint>

using namespace platform::profile;

namespace {

const QStringList &names()
{
    static const QStringList n = {QStringLiteral("通信設定"), QStringLiteral("ポート"), QStringLiteral("Sec"),
                                  QStringLiteral("key"), QStringLiteral("表ソ")};
    return n;
}

QString read(const QString &section, const QString &key, const QString &file, unsigned long size = 4096)
{
    QString value;
    const unsigned long n = GetPrivateProfileString(section, key, QStringLiteral("(none)"), value, size, file);
    FUZZ_CHECK(size == 0 ? n == 0 && value.isEmpty() : n <= size - 1);
    // Bytes that are not CP932 come back as U+FFFD; otherwise the count is
    // the size of the returned text in CP932.
    if (platform::codepage::isAnsiEncodable(value))
        FUZZ_CHECK(platform::codepage::toAnsi(value).size() == qsizetype(n));
    return value;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    auto scratch = fuzzsupport::scratchDir();
    const QString file = scratch->path() + QStringLiteral("/Fuzz.ini");
    {
        QFile f(file);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const QStringList &n = names();
    // Every key of every section before the write; a few buffer sizes.
    QHash<QString, QString> before;
    for (const QString &s : n)
        for (const QString &k : n)
            before.insert(s.toLower() + u'\x01' + k.toLower(), read(s, k, file));
    for (unsigned long cut : {0ul, 1ul, 2ul, 3ul, static_cast<unsigned long>(data[3])})
        (void)read(n[data[0] % n.size()], n[data[1] % n.size()], file, cut);

    const QString section = n[data[0] % n.size()];
    const QString key = n[data[1] % n.size()];
    const QString value = QStringLiteral("値%1x%2").arg(data[2]).arg(size);
    if (!WritePrivateProfileString(section, key, value, file))
        return 0;
    FUZZ_CHECK(read(section, key, file) == value);
    for (const QString &s : n)
        for (const QString &k : n) {
            const QString id = s.toLower() + u'\x01' + k.toLower();
            if (id == section.toLower() + u'\x01' + key.toLower())
                continue;
            FUZZ_CHECK(read(s, k, file) == before.value(id));
        }
    return 0;
}
