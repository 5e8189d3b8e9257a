#pragma once
// A file-system entry that exists but cannot be opened as a file, even by
// root (for whom permission bits stop no read): a bound local socket.
#include <QFile>
#include <QString>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::system::testsupport {

// Binds a socket at `path` (which must not exist) and closes it: the entry
// stays. False when the path is too long for a socket address or bind fails.
inline bool makeUnopenableFile(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (encoded.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, encoded.constData(), static_cast<size_t>(encoded.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace platform::system::testsupport
