#pragma once

#include <QString>

#include <ostream>

// Readable GoogleTest failure messages for Qt text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
