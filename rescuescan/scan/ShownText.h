#pragma once

#include <QString>

// Text that came from outside (file names on a damaged disk, the lookup
// service's threat names) as the program shows it: control characters,
// line breaks and invisible format characters such as the right-to-left
// override are written as escapes (\x1b, \u{202e}), so a crafted name can
// neither break the layout nor pass itself off as another file.
QString shownText(const QString& outside);
