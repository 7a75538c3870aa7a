#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <stdexcept>
#include <string>

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
    const QFileInfo info(path);
    if (!info.exists())
        throw std::runtime_error("file not found");
    if (info.size() > kMaxLookupFileSize)
        throw std::runtime_error("file too large");
    QFile file(info.absoluteFilePath());
    const auto unreadable = [&] {
        return std::runtime_error("cannot read file \"" + path.toStdString() + "\": " + file.errorString().toStdString());
    };
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw unreadable();
    QCryptographicHash md5(QCryptographicHash::Md5);
    char block[65536];
    qint64 total = 0;
    for (;;) {
        const qint64 n = file.read(block, sizeof block);
        if (n < 0)
            throw unreadable();
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
