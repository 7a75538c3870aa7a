#include "ShownText.h"

#include <QList>

namespace {

bool needsEscape(char32_t c)
{
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f))
        return true;
    switch (QChar::category(c)) {
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString shownText(const QString& outside)
{
    QString shown;
    shown.reserve(outside.size());
    for (const uint codePoint : outside.toUcs4()) {
        const char32_t c = codePoint;
        if (!needsEscape(c))
            shown.append(QString::fromUcs4(&c, 1));
        else if (c <= 0xff)
            shown.append(QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0')));
        else
            shown.append(QStringLiteral("\\u{%1}").arg(uint(c), 4, 16, QLatin1Char('0')));
    }
    return shown;
}
