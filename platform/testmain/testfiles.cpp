#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace talviktest {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder)) {
        ADD_FAILURE() << "cannot make the folder " << folder.toStdString();
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << path.toStdString() << ": " << f.errorString().toStdString();
        return false;
    }
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        ADD_FAILURE() << "short write to " << path.toStdString() << ": " << f.errorString().toStdString();
        return false;
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

} // namespace talviktest
