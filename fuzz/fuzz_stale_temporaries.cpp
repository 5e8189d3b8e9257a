// The clean-up of stale temporary files before a durable write: the input
// gives the names of the files beside the target (separated by NUL bytes;
// "/" and empty names are left out). Names of this target's temporary files
// with the process ids of running processes, dead ones and impossible ones
// are added. After removeStaleTemporaries:
// - every file that is not "<target>.~tlv<digits>-<digits>" is still there,
//   with its bytes;
// - a temporary file of a running process (this one, pid 1) is still there;
// - a temporary file of a process that is gone is removed.
#include "fuzzSupport.h"

#include "platform/fileio/durable.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kTarget = "store.dmd";

// A process id that no process has: a child that has ended and been reaped.
// Ids are reused (pid_max may be 32768 on a busy machine), so a fresh one is
// made once the last one runs again.
pid_t deadPid()
{
    static pid_t pid = 0;
    if (pid == 0 || ::kill(pid, 0) == 0 || errno == EPERM) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        pid = child;
    }
    return pid;
}

bool isTemporaryOfTarget(const QByteArray &name)
{
    const QByteArray prefix = kTarget + ".~tlv";
    if (!name.startsWith(prefix))
        return false;
    const QByteArray rest = name.mid(prefix.size());
    const qsizetype dash = rest.indexOf('-');
    if (dash <= 0 || dash == rest.size() - 1)
        return false;
    for (qsizetype i = 0; i < rest.size(); ++i)
        if (i != dash && (rest[i] < '0' || rest[i] > '9'))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::initApplication();
    const auto dir = fuzzsupport::scratchDir();
    const QByteArray folder = QFile::encodeName(dir->path());

    QList<QByteArray> names;
    for (const QByteArray &n : QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)).split('\0'))
        if (!n.isEmpty() && !n.contains('/') && n != "." && n != ".." && n.size() < 200 && names.size() < 64)
            names << n;
    const QByteArray live = kTarget + ".~tlv" + QByteArray::number(::getpid()) + "-7";
    const QByteArray init = kTarget + ".~tlv1-3";
    const QByteArray dead = kTarget + ".~tlv" + QByteArray::number(deadPid()) + "-1";
    names << live << init << dead;

    QList<QByteArray> kept;
    for (const QByteArray &n : names) {
        const int fd = ::open((folder + '/' + n).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            continue;
        (void)!::write(fd, n.constData(), static_cast<size_t>(n.size()));
        ::close(fd);
        if (!isTemporaryOfTarget(n))
            kept << n;
    }

    platform::fileio::removeStaleTemporaries(QFile::decodeName(folder + '/' + kTarget));

    auto exists = [&](const QByteArray &n) { return ::access((folder + '/' + n).constData(), F_OK) == 0; };
    for (const QByteArray &n : kept) {
        // Read by bytes: a name need not be valid text.
        const int fd = ::open((folder + '/' + n).constData(), O_RDONLY);
        FUZZ_CHECK(fd >= 0);
        QByteArray bytes(n.size() + 1, '\0');
        const ssize_t got = ::read(fd, bytes.data(), static_cast<size_t>(bytes.size()));
        ::close(fd);
        FUZZ_CHECK(got == n.size() && bytes.left(got) == n);
    }
    FUZZ_CHECK(exists(live));
    FUZZ_CHECK(exists(init));
    FUZZ_CHECK(!exists(dead));
    // Removed by bytes: Qt cannot remove names that are no valid text.
    for (const QByteArray &n : names)
        ::unlink((folder + '/' + n).constData());
    return 0;
}
