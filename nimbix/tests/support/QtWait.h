#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

// Runs the calling thread's events until done() holds or timeoutMs passed;
// returns done(). For asynchronous answers such as sample uploads.
template <typename Predicate>
bool waitUntil(Predicate done, int timeoutMs = 10000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(1);
    }
    return true;
}
