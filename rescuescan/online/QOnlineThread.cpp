#include "QOnlineThread.h"

#include <nimbix/INimbix.h>

#include <QDebug>

#include <exception>

QOnlineThread::QOnlineThread(QObject* parent)
    : QThread(parent)
{
}

void QOnlineThread::stop()
{
    stop_requested = true;
}

void QOnlineThread::run()
{
    Cloud::INimbix* core = nullptr;
    // A lookup object that cannot be made (a malformed NIMBIX_SERVER) leaves
    // the status line empty; it must not end the program from this thread.
    try {
        CreateInstance(&core);
    } catch (const std::exception&) {
        core = nullptr;
    }
    if (!core)
        return;
    while (!stop_requested) {
        emit onlineResult(core->is_online());
        QThread::sleep(1);
    }
    qDebug() << "exit online check";
    core->release();
}
