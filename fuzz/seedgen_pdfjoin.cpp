// Writes the seeds of the PDF joiner harness with our own PDF writer:
//   seedgen_pdfjoin <folder>
// one.pdf: one part of two pages (a text, a fill, a rule); three.pdf: three
// such parts one after another, each a complete file.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>

namespace {

QByteArray part(int n)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("seed %1").arg(n));
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("IPAGothic"), 10));
    for (int page = 0; page < 2; ++page) {
        if (page > 0)
            writer.newPage();
        painter.fillRect(QRect(100, 100, 300, 100), QColor(192, 192, 255));
        painter.drawLine(100, 300, 900, 300);
        painter.drawText(QPoint(100, 500), QStringLiteral("%1-%2 値").arg(n).arg(page));
    }
    painter.end();
    return bytes;
}

bool save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: seedgen_pdfjoin <folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    if (!save(out + QStringLiteral("/one.pdf"), part(1))
        || !save(out + QStringLiteral("/three.pdf"), part(1) + part(2) + part(3))) {
        std::fprintf(stderr, "cannot write the seeds into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
