#include "app/fontfallbacks.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace {

// Wine's Tahoma (Debian package fonts-wine) has Tahoma's metrics, but Debian
// keeps it outside fontconfig's folders.
const char *const wineTahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

} // namespace

void installFontFallbacks()
{
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        for (const char *file : wineTahomaFiles)
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    }
    // Used only where the font itself is missing. Liberation Sans has Arial's
    // metrics, which are close to those of both.
    const QStringList standIns{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), standIns);
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"), standIns);
}
