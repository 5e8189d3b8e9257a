// Writes the seed archives of the LHA harness with the product's own writer:
//   seedgen_lha <folder> [<decoder seed folder>]
// tiny.lzh: the folder entry "dDB" and a stored file under it; lh5.lzh: a
// compressible file (the -lh5- path) and a CP932 name whose second byte is "\".
// With a second folder, also the seeds of the decoder harness: a method
// byte, the original size in three bytes, then our encoder's -lh5- stream
// of demand rows, of a run of zeros and of a short text.
#include "platform/archive/archive.h"
#include "platform/archive/lh5_encoder.h"
#include "platform/fileio/durable.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: seedgen_lha <folder> [<decoder seed folder>]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::int64_t t = 1715560000; // 2024-05-13
    try {
        platform::archive::ArchiveWriter tiny(out + QStringLiteral("/tiny.lzh"));
        tiny.addDirectory(QStringLiteral("dDB"), t);
        tiny.addData(QStringLiteral("dDB\\a.txt"), QByteArray("240513,1030,0121\r\n"), t);
        tiny.commit();

        platform::archive::ArchiveWriter lh5(out + QStringLiteral("/lh5.lzh"));
        lh5.addDirectory(QStringLiteral("dDB"), t);
        lh5.addDirectory(QStringLiteral("dDB\\表ソ"), t);
        QByteArray rows;
        for (int i = 0; i < 48; ++i)
            rows += "2405131030012120240513103500\r\n";
        lh5.addData(QStringLiteral("dDB\\表ソ\\2024.txt"), rows, t);
        lh5.commit();

        if (argc == 3) {
            const QString seeds = QString::fromLocal8Bit(argv[2]);
            QDir().mkpath(seeds);
            const QList<QPair<QString, QByteArray>> samples = {
                {QStringLiteral("rows"), rows.repeated(20)},
                {QStringLiteral("zeros"), QByteArray(5000, '\0')},
                {QStringLiteral("text"), QByteArray("240513,1030,0121 abcabcabc")}};
            for (const auto &[name, data] : samples) {
                const auto n = static_cast<std::uint32_t>(data.size());
                QByteArray seed;
                seed.append('\0'); // -lh5-
                seed.append(static_cast<char>(n >> 16)).append(static_cast<char>(n >> 8)).append(static_cast<char>(n));
                seed += platform::archive::encodeLh5(data);
                platform::fileio::writeFile(seeds + QLatin1Char('/') + name + QStringLiteral(".bin"), seed);
            }
        }
    } catch (const platform::RuntimeError &e) {
        std::fprintf(stderr, "%s\n", e.Description().toUtf8().constData());
        return 1;
    }
    return 0;
}
