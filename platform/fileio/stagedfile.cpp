#include "platform/fileio/stagedfile.h"

#include "platform/fileio/rawio.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::fileio {

StagedFile::StagedFile(const QString &path) : m_path(path)
{
    faults::faultPoint(faults::Step::Create, m_path, 0);
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw WriteError(m_path, errno);
}

StagedFile::~StagedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void StagedFile::fail(int systemError)
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    throw WriteError(m_path, systemError);
}

void StagedFile::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        throw WriteError(m_path, EBADF);
    faults::faultPoint(faults::Step::Write, m_path, m_written + size);
    if (const int e = writeAll(m_fd, data, size, &m_written))
        fail(e);
}

void StagedFile::truncate()
{
    if (m_fd < 0)
        throw WriteError(m_path, EBADF);
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
        fail(errno);
    m_written = 0;
}

void StagedFile::setModified(std::int64_t seconds)
{
    if (m_fd < 0 || seconds <= 0)
        return;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    ::futimens(m_fd, times); // a time that cannot be set is no reason to lose the data
}

void StagedFile::startWriteback()
{
#ifdef SYNC_FILE_RANGE_WRITE
    if (m_fd >= 0)
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void StagedFile::sync()
{
    if (m_fd < 0)
        throw WriteError(m_path, EBADF);
    faults::faultPoint(faults::Step::Sync, m_path, m_written);
    // Delayed allocation can report a full disk only here.
    if (::fsync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        throw WriteError(m_path, errno);
}

} // namespace platform::fileio
