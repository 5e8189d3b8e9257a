#include "talvik/store/stagingArea.h"

#include "platform/fileio/durable.h"
#include "platform/shell/shell.h"
#include "talvik/store/demandTable.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace talvik::staging {

namespace {

QString native(const QString &path)
{
    return platform::shell::toNativePath(path);
}

// Kept sets are numbered with six digits so that names sort by age.
QStringList keptNames()
{
    QStringList names = QDir(native(keptFolder())).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QStringList out;
    for (const QString &n : names) {
        bool ok = false;
        n.toInt(&ok);
        if (ok && n.size() == 6)
            out << n;
    }
    return out;
}

} // namespace

QString stagingFolder()
{
    return platform::shell::programFolder() + u'\\' + stagingFolderName;
}

QString keptFolder()
{
    return platform::shell::programFolder() + u'\\' + keptFolderName;
}

QString unmergedCustomer(const QString &folder)
{
    QFile f(native(folder + u'\\' + markerFileName));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll()).trimmed();
}

void markUnmerged(const QString &folder, const QString &customer)
{
    platform::fileio::writeFile(folder + u'\\' + markerFileName, customer.toUtf8() + '\n');
}

void markMerged(const QString &folder)
{
    const QString marker = native(folder + u'\\' + markerFileName);
    if (QFile::exists(marker) && QFile::remove(marker)) {
        try {
            platform::fileio::syncFolder(native(folder));
        } catch (const platform::fileio::WriteError &) {
        }
    }
}

void keepStagingAside()
{
    const QString kept = keptFolder();
    if (!platform::shell::FolderExists(kept)) {
        platform::fileio::faults::faultPoint(platform::fileio::faults::Step::Create, native(kept));
        if (::mkdir(QFile::encodeName(native(kept)).constData(), 0777) != 0 && errno != EEXIST)
            throw platform::fileio::WriteError(native(kept), errno);
        platform::fileio::syncFolder(platform::shell::programFolder());
    }
    const QStringList names = keptNames();
    const int next = names.isEmpty() ? 1 : names.last().toInt() + 1;
    const QString target = kept + u'\\' + QStringLiteral("%1").arg(next, 6, 10, QLatin1Char('0'));
    platform::fileio::renameDurably(stagingFolder(), target);
}

QList<KeptSet> keptSets()
{
    QList<KeptSet> sets;
    for (const QString &n : keptNames()) {
        const QString folder = keptFolder() + u'\\' + n;
        const QString customer = unmergedCustomer(folder);
        if (!customer.isEmpty())
            sets.append({folder, customer});
    }
    return sets;
}

void removeKeptSet(const QString &folder)
{
    markMerged(folder);
    try {
        platform::shell::DeleteFolder(folder, true);
    } catch (...) {
        // Without its marker the folder is no longer a kept set.
    }
}

} // namespace talvik::staging
