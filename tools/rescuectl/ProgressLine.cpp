#include "ProgressLine.h"

#include <QMutexLocker>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr qint64 kTerminalRedrawMs = 100;
constexpr qint64 kPlainRedrawMs = 10000;
constexpr int kDefaultWidth = 80;

int terminalWidth()
{
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return kDefaultWidth;
}

// Keeps the end of the text, where a path names its file.
QString fitted(const QString& text, int width)
{
    if (text.size() < width)
        return text;
    return QStringLiteral("...") + text.right(width - 4);
}

} // namespace

ProgressLine::ProgressLine()
    : terminal(::isatty(STDOUT_FILENO) == 1)
{
}

ProgressLine::~ProgressLine()
{
    finish();
}

void ProgressLine::setStatus(const QString& text)
{
    QMutexLocker locker(&mutex);
    status = text;
    const qint64 interval = terminal ? kTerminalRedrawMs : kPlainRedrawMs;
    if (!sinceDrawn.isValid()) {
        sinceDrawn.start();
        if (!terminal)
            return;
    } else if (sinceDrawn.elapsed() < interval) {
        return;
    }
    sinceDrawn.restart();
    drawLocked();
}

void ProgressLine::print(const QString& line, bool toError)
{
    QMutexLocker locker(&mutex);
    eraseLocked();
    std::FILE* out = toError ? stderr : stdout;
    std::fputs(qPrintable(line + QLatin1Char('\n')), out);
    std::fflush(out);
    if (terminal && !status.isEmpty())
        drawLocked();
}

void ProgressLine::finish()
{
    QMutexLocker locker(&mutex);
    eraseLocked();
    status.clear();
}

void ProgressLine::eraseLocked()
{
    if (!drawn)
        return;
    std::fputs("\r\033[K", stdout);
    std::fflush(stdout);
    drawn = false;
}

void ProgressLine::drawLocked()
{
    if (terminal) {
        std::fputs(qPrintable(QStringLiteral("\r\033[K") + fitted(status, terminalWidth())), stdout);
        drawn = true;
    } else {
        std::fputs(qPrintable(status + QLatin1Char('\n')), stdout);
    }
    std::fflush(stdout);
}
