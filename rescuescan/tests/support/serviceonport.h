#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A loopback port nobody listens on right now.
quint16 freePort();

// nimbixd on a port chosen beforehand, so that a program can be pointed at
// it before it runs, and the service stopped and started again there.
class ServiceOnPort
{
public:
    explicit ServiceOnPort(quint16 port);
    ~ServiceOnPort();
    ServiceOnPort(const ServiceOnPort &) = delete;
    ServiceOnPort &operator=(const ServiceOnPort &) = delete;

    // True once the service says it listens.
    bool start();
    void stop();

private:
    QTemporaryDir dir;
    QString listen;
    QProcess process;
};
