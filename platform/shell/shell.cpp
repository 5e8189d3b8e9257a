#include "platform/shell/shell.h"

#include "platform/runtime/runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace platform::shell {
namespace {

fs::path fsPath(const QString &path)
{
    return fs::path(toNativePath(path).toStdString());
}

QString qPath(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

bool endsWithSeparator(const QString &path)
{
    return path.endsWith(QLatin1Char('\\')) || path.endsWith(QLatin1Char('/'));
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// The run-time error for a failed file-system call; `missing` is the number
// for "does not exist" (53 for files, 76 for folders).
[[noreturn]] void raiseFor(const std::error_code &ec, int missing, const QString &path)
{
    int number = err::PathFileAccess;
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
        number = missing;
    else if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted
             || ec == std::errc::read_only_file_system)
        number = err::PermissionDenied;
    else if (ec == std::errc::file_exists)
        number = err::FileAlreadyExists;
    raise(number, errorDescription(number) + QStringLiteral(": ") + path);
}

[[noreturn]] void raiseNumber(int number, const QString &path)
{
    raise(number, errorDescription(number) + QStringLiteral(": ") + path);
}

bool isDirectory(const fs::path &p)
{
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool isFile(const fs::path &p)
{
    std::error_code ec;
    const auto st = fs::status(p, ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool entryExists(const fs::path &p)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// A file counts as read-only when its owner may not write it (the check does
// not depend on who runs the program).
bool isReadOnly(const fs::path &p)
{
    std::error_code ec;
    const auto st = fs::status(p, ec);
    return !ec && (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

void copyOneFile(const fs::path &from, const fs::path &to, bool overwrite, const QString &shown)
{
    if (entryExists(to)) {
        if (!overwrite)
            raiseNumber(err::FileAlreadyExists, shown);
        if (isDirectory(to))
            raiseNumber(err::PermissionDenied, shown);
        if (isReadOnly(to))
            raiseNumber(err::PermissionDenied, shown);
    }
    std::error_code ec;
    // The old file goes first: a file of the store may have a second name
    // in another store, whose bytes a copy over it in place would change.
    if (entryExists(to))
        fs::remove(to, ec);
    if (!ec)
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, shown);
}

void copyTree(const fs::path &from, const fs::path &to, bool overwrite, const QString &shown)
{
    std::error_code ec;
    if (!isDirectory(to)) {
        if (entryExists(to))
            raiseNumber(err::FileAlreadyExists, shown);
        fs::create_directory(to, ec);
        if (ec)
            raiseFor(ec, err::PathNotFound, shown);
    }
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path target = to / it->path().filename();
        if (it->is_directory(ec))
            copyTree(it->path(), target, overwrite, shown);
        else
            copyOneFile(it->path(), target, overwrite, shown);
    }
    if (ec)
        raiseFor(ec, err::PathNotFound, shown);
}

// Rename, or copy and delete when the destination is on another file system.
void moveEntry(const fs::path &from, const fs::path &to, bool folder, const QString &shown)
{
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec)
        return;
    if (ec != std::errc::cross_device_link)
        raiseFor(ec, folder ? err::PathNotFound : err::FileNotFound, shown);
    if (folder)
        copyTree(from, to, false, shown);
    else
        copyOneFile(from, to, false, shown);
    fs::remove_all(from, ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, shown);
}

} // namespace

QString toNativePath(const QString &path)
{
    QString p = path;
    if (p.size() >= 2 && p[1] == QLatin1Char(':') && p[0].isLetter() && p[0].unicode() < 128
        && (p.size() == 2 || isSeparator(p[2])))
        p = p.mid(2);
    QString out;
    out.reserve(p.size());
    for (QChar c : p) {
        if (isSeparator(c)) {
            if (!out.endsWith(QLatin1Char('/')))
                out += QLatin1Char('/');
        } else {
            out += c;
        }
    }
    return out;
}

QString programFolder()
{
    const QString home = qEnvironmentVariable("TALVIK_HOME");
    if (!home.isEmpty()) {
        // A relative folder is taken from the current folder at the first
        // call for that value (the start of the program, which asks at once)
        // and kept: the program changes its current folder later (the
        // archiver works from the program folder), which must not move the
        // program folder. The environment itself is never written: worker
        // threads may be reading it.
        static QMutex lock;
        static QHash<QString, QString> resolved;
        const QMutexLocker locked(&lock);
        auto known = resolved.constFind(home);
        if (known != resolved.constEnd())
            return *known;
        QString p = toNativePath(home);
        if (QDir::isRelativePath(p))
            p = QDir::cleanPath(QDir::current().absoluteFilePath(p));
        while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
            p.chop(1);
        resolved.insert(home, p);
        return p;
    }
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? QDir::currentPath() : qPath(exe.parent_path());
}

QString desktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QDir(desktop).exists())
        return desktop;
    return QDir::homePath();
}

QString CurDir(const QString &)
{
    std::error_code ec;
    const fs::path p = fs::current_path(ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, QString());
    return qPath(p);
}

void ChDrive(const QString &)
{
    // Drives do not exist here: the drive part of a path selects nothing.
}

void ChDir(const QString &path)
{
    const fs::path p = fsPath(path);
    if (!isDirectory(p))
        raiseNumber(err::PathNotFound, path);
    std::error_code ec;
    fs::current_path(p, ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, path);
}

bool FileExists(const QString &path)
{
    return !path.isEmpty() && isFile(fsPath(path));
}

bool FolderExists(const QString &path)
{
    return !path.isEmpty() && isDirectory(fsPath(path));
}

void CreateFolder(const QString &path)
{
    const fs::path p = fsPath(path);
    if (entryExists(p))
        raiseNumber(err::FileAlreadyExists, path);
    std::error_code ec;
    fs::create_directory(p, ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, path);
}

void DeleteFolder(const QString &path, bool force)
{
    fs::path p = fsPath(path);
    if (!isDirectory(p))
        raiseNumber(err::PathNotFound, path);
    std::error_code ec;
    if (!force) {
        for (fs::recursive_directory_iterator it(p, ec), end; !ec && it != end; it.increment(ec)) {
            if (!it->is_directory(ec) && isReadOnly(it->path()))
                raiseNumber(err::PermissionDenied, qPath(it->path()));
        }
        if (ec)
            raiseFor(ec, err::PathNotFound, path);
    }
    fs::remove_all(p, ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, path);
}

void DeleteFile(const QString &path, bool force)
{
    const fs::path p = fsPath(path);
    if (!isFile(p))
        raiseNumber(err::FileNotFound, path);
    if (!force && isReadOnly(p))
        raiseNumber(err::PermissionDenied, path);
    std::error_code ec;
    fs::remove(p, ec);
    if (ec)
        raiseFor(ec, err::FileNotFound, path);
}

void CopyFolder(const QString &source, const QString &destination, bool overwrite)
{
    const fs::path from = fsPath(source);
    if (!isDirectory(from))
        raiseNumber(err::PathNotFound, source);
    fs::path to = fsPath(destination);
    if (endsWithSeparator(destination)) {
        if (!isDirectory(to))
            raiseNumber(err::PathNotFound, destination);
        to /= fsPath(GetFileName(source)).filename();
    }
    if (!isDirectory(to.parent_path().empty() ? fs::path(".") : to.parent_path()))
        raiseNumber(err::PathNotFound, destination);
    // Copying a folder into itself would never end.
    std::error_code ec;
    const fs::path absFrom = fs::weakly_canonical(from, ec);
    const fs::path absTo = fs::weakly_canonical(to, ec);
    const auto mismatch = std::mismatch(absFrom.begin(), absFrom.end(), absTo.begin(), absTo.end());
    if (mismatch.first == absFrom.end())
        raiseNumber(err::PermissionDenied, destination);
    copyTree(from, to, overwrite, destination);
}

void CopyFile(const QString &source, const QString &destination, bool overwrite)
{
    const fs::path from = fsPath(source);
    if (!isFile(from))
        raiseNumber(err::FileNotFound, source);
    fs::path to = fsPath(destination);
    if (endsWithSeparator(destination)) {
        if (!isDirectory(to))
            raiseNumber(err::PathNotFound, destination);
        to /= from.filename();
    }
    if (!isDirectory(to.parent_path().empty() ? fs::path(".") : to.parent_path()))
        raiseNumber(err::PathNotFound, destination);
    copyOneFile(from, to, overwrite, destination);
}

void MoveFolder(const QString &source, const QString &destination)
{
    const fs::path from = fsPath(source);
    if (!isDirectory(from))
        raiseNumber(err::PathNotFound, source);
    fs::path to = fsPath(destination);
    if (endsWithSeparator(destination))
        to /= from.filename();
    if (entryExists(to))
        raiseNumber(err::FileAlreadyExists, destination);
    moveEntry(from, to, true, destination);
}

void MoveFile(const QString &source, const QString &destination)
{
    const fs::path from = fsPath(source);
    if (!isFile(from))
        raiseNumber(err::FileNotFound, source);
    fs::path to = fsPath(destination);
    if (endsWithSeparator(destination))
        to /= from.filename();
    if (entryExists(to))
        raiseNumber(err::FileAlreadyExists, destination);
    moveEntry(from, to, false, destination);
}

int compareNames(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].toUpper().unicode();
        const char16_t y = b[i].toUpper().unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return QString::compare(a, b, Qt::CaseSensitive);
}

namespace {

// The entries of a folder (folders or files), sorted as listed there.
std::vector<FolderEntry> listFolder(const QString &path, bool folders)
{
    const fs::path p = fsPath(path);
    if (!isDirectory(p))
        raiseNumber(err::PathNotFound, path);
    std::vector<FolderEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(p, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) == folders)
            entries.push_back({qPath(it->path().filename()), qPath(it->path())});
    }
    if (ec)
        raiseFor(ec, err::PathNotFound, path);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry &a, const FolderEntry &b) { return compareNames(a.Name, b.Name) < 0; });
    return entries;
}

} // namespace

std::vector<FolderEntry> SubFolders(const QString &path)
{
    return listFolder(path, true);
}

std::vector<FolderEntry> Files(const QString &path)
{
    return listFolder(path, false);
}

QString resolvePathCase(const QString &path)
{
    const QString native = toNativePath(path);
    if (native.isEmpty() || entryExists(fsPath(native)))
        return path;
    auto join = [](const QString &folder, const QString &name) {
        return folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder + name : folder + u'/' + name;
    };
    QString resolved = native.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString &part : native.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QString candidate = join(resolved, part);
        if (!entryExists(fsPath(candidate))) {
            if (part == QLatin1String(".") || part == QLatin1String(".."))
                return path;
            // The names of the folder that match but for case, in listing order.
            std::vector<QString> names;
            std::error_code ec;
            const fs::path folder = fsPath(resolved.isEmpty() ? QStringLiteral(".") : resolved);
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
                const QString name = qPath(it->path().filename());
                if (name.compare(part, Qt::CaseInsensitive) == 0)
                    names.push_back(name);
            }
            if (names.empty())
                return path;
            std::sort(names.begin(), names.end(),
                      [](const QString &a, const QString &b) { return compareNames(a, b) < 0; });
            candidate = join(resolved, names.front());
        }
        resolved = candidate;
    }
    return resolved;
}

QString GetParentFolderName(const QString &path)
{
    qsizetype end = path.size();
    while (end > 0 && isSeparator(path[end - 1]))
        --end;
    qsizetype sep = end - 1;
    while (sep >= 0 && !isSeparator(path[sep]))
        --sep;
    if (sep < 0 || end == 0)
        return QString();
    qsizetype cut = sep;
    while (cut > 0 && isSeparator(path[cut - 1]))
        --cut;
    // A root ("", "/", "C:") keeps its separator.
    const QString head = path.left(cut);
    if (head.isEmpty() || (head.size() == 2 && head[1] == QLatin1Char(':')))
        return path.left(cut + 1);
    return head;
}

QString GetFileName(const QString &path)
{
    qsizetype end = path.size();
    while (end > 0 && isSeparator(path[end - 1]))
        --end;
    qsizetype start = end;
    while (start > 0 && !isSeparator(path[start - 1]))
        --start;
    return path.mid(start, end - start);
}

QString BuildPath(const QString &path, const QString &name)
{
    if (path.isEmpty())
        return name;
    if (name.isEmpty())
        return path;
    if (endsWithSeparator(path) || isSeparator(name.front()))
        return path + name;
    return path + QLatin1Char('\\') + name;
}

void Kill(const QString &path)
{
    const fs::path p = fsPath(path);
    if (!isFile(p))
        raiseNumber(err::FileNotFound, path);
    std::error_code ec;
    fs::remove(p, ec);
    if (ec)
        raiseFor(ec, err::FileNotFound, path);
}

void MkDir(const QString &path)
{
    const fs::path p = fsPath(path);
    if (entryExists(p))
        raiseNumber(err::PathFileAccess, path);
    std::error_code ec;
    fs::create_directory(p, ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, path);
}

void RmDir(const QString &path)
{
    const fs::path p = fsPath(path);
    if (!isDirectory(p))
        raiseNumber(err::PathNotFound, path);
    std::error_code ec;
    if (!fs::is_empty(p, ec) || ec)
        raiseNumber(err::PathFileAccess, path);
    fs::remove(p, ec);
    if (ec)
        raiseFor(ec, err::PathNotFound, path);
}

} // namespace platform::shell
