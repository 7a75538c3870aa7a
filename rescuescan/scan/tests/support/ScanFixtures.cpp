#include "ScanFixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#include <unistd.h>

namespace ScanFixtures {

namespace {

void openForWriting(QFile& file)
{
    QDir().mkpath(QFileInfo(file.fileName()).absolutePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + file.fileName().toStdString() + ": "
                                 + file.errorString().toStdString());
}

} // namespace

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    openForWriting(file);
    if (file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void writeSparseFile(const QString& path, qint64 size)
{
    QFile file(path);
    openForWriting(file);
    if (!file.resize(size))
        throw std::runtime_error("cannot size " + path.toStdString());
}

QString signature(const QByteArray& content, const QString& name)
{
    const QByteArray md5 = QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex();
    return QStringLiteral("%1:%2:%3").arg(QString::fromLatin1(md5)).arg(content.size()).arg(name);
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace ScanFixtures
