#pragma once

#include <QByteArray>
#include <QString>

#include <string>

namespace Cloud {

// The one place that decides how 8-bit text from and to the service becomes
// QString: the process's 8-bit codec, which is UTF-8 on the rescue system.
inline QString from8bit(const QByteArray& bytes)
{
    return QString::fromLocal8Bit(bytes);
}

inline QString from8bit(const std::string& bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline QByteArray to8bit(const QString& text)
{
    return text.toLocal8Bit();
}

} // namespace Cloud
