#pragma once

#include <QElapsedTimer>
#include <QMutex>
#include <QString>

#include <cstdio>

// Console output of a long task: on a terminal, one status line that is
// rewritten in place and kept below every other line printed meanwhile,
// messages included; elsewhere (a pipe, a log file) a plain status line
// now and then. Lines may come from any thread.
class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The status text; drawn at most every 100 ms on a terminal and every
    // 10 s elsewhere, so that fast work is not slowed by its own output.
    void setStatus(const QString& text);
    // Prints a whole line to stdout, or stderr when toError is true.
    void print(const QString& line, bool toError = false);
    // Removes the status line for good.
    void finish();

private:
    void eraseLocked();
    void drawLocked();

    QMutex mutex;
    const bool terminal;
    QString status;
    bool drawn = false;
    QElapsedTimer sinceDrawn;
};
