#pragma once

#include <safetext/safetext.h>

#include <QString>

namespace safetext {

// The same for Qt's strings.
inline QString escaped(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return QString::fromStdString(escaped(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
}

} // namespace safetext
