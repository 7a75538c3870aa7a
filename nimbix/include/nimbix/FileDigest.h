#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Cloud {

// Files larger than this are not looked up.
inline constexpr qint64 kMaxLookupFileSize = 10485760;

// The MD5 digest (16 raw bytes) of a whole file, read as query_file() reads
// it, for callers that hash on threads of their own and ask query_hash().
// Throws std::runtime_error "file not found", "file too large" (over
// kMaxLookupFileSize, also when the file grows while it is read) or "cannot
// read file "PATH": REASON". The file is read in blocks, never held whole.
inline QByteArray file_digest(const QString& path)
{
    // Plain system calls: a scan hashes hundreds of thousands of small files,
    // and each call saved is a part of their cost.
    const QByteArray name = QFile::encodeName(path);
    const auto unreadable = [&](int error) {
        return std::runtime_error("cannot read file \"" + path.toStdString() + "\": " + std::strerror(error));
    };
    // Not blocking: a pipe put where a file was listed must not hold the
    // scan; it fails to read instead.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw std::runtime_error("file not found");
        throw unreadable(errno);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw unreadable(errno);
    if (info.st_size > kMaxLookupFileSize)
        throw std::runtime_error("file too large");
    QCryptographicHash md5(QCryptographicHash::Md5);
    char block[65536];
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw unreadable(errno);
        if (n == 0)
            break;
        // A file that grew since it was measured, or a device posing as a
        // file, must not be read without end.
        total += n;
        if (total > kMaxLookupFileSize)
            throw std::runtime_error("file too large");
        md5.addData(QByteArrayView(block, n));
    }
    return md5.result();
}

} // namespace Cloud
