#include "EightBit.h"

QByteArray toEightBit(const QString& text)
{
    return text.toUtf8();
}

QString fromEightBit(const char* text)
{
    return QString::fromUtf8(text);
}
