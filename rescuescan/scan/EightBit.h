#pragma once

#include <QByteArray>
#include <QString>

// The program's 8-bit text, in one place: paths and texts handed to the hive
// engine and read from it are UTF-8, the rescue system's locale and the
// encoding the engine stores registry text from.
QByteArray toEightBit(const QString& text);
QString fromEightBit(const char* text);
