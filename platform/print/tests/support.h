#pragma once
// Helpers of the print tests: artifacts folder, external PDF tools, images.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace printtest {

inline QString artifactsDir()
{
    QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/talvik-artifacts");
    QDir().mkpath(dir);
    return dir;
}

// Runs a tool and returns its standard output; fails the test when it cannot run.
inline QString runTool(const QString &program, const QStringList &args, int *exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    const bool finished = p.waitForFinished(60000);
    EXPECT_TRUE(finished) << program.toStdString() << " did not finish";
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Bounding box of the pixels that are not close to white.
inline QRect inkBounds(const QImage &image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 160 && c.green() < 160 && c.blue() < 160) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace printtest
