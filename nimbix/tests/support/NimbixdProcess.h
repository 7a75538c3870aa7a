#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Runs the reference lookup service nimbixd on an ephemeral loopback port for
// a test, and stops it again. Usable from any test that links
// nimbix_testsupport:
//
//   NimbixdProcess service;
//   service.start({"44d88612fea8a8f36de82e1278abb02f:68:Eicar-Test-Signature"});
//   ScopedNimbixServer env(service.address());   // lookup objects made now use it
class NimbixdProcess {
public:
    struct Options {
        QStringList queued;         // digests that answer "source":"queue"
        bool samples = false;       // serve the sample upload, see samplesDir()
        bool csp4 = false;          // serve the CSP4 framed protocol, see csp4Port()
        QStringList extraArguments;
    };

    NimbixdProcess();
    ~NimbixdProcess();
    NimbixdProcess(const NimbixdProcess&) = delete;
    NimbixdProcess& operator=(const NimbixdProcess&) = delete;

    // Writes signatures ("md5:size:name" lines) to a hash database and starts
    // the service on 127.0.0.1 with a free port. Throws std::runtime_error
    // with the service's own message when it does not come up.
    void start(const QStringList& signatures, const Options& options);
    void start(const QStringList& signatures);
    void stop();

    quint16 port() const { return port_; }
    quint16 csp4Port() const { return csp4Port_; }
    // "127.0.0.1:PORT", the form NIMBIX_SERVER takes.
    QString address() const;
    QString samplesDir() const;
    // The service's process id, to read its memory from /proc.
    qint64 processId() const { return process_.processId(); }

    // Path of the nimbixd executable of this build.
    static QString executable();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QProcess process_;
    quint16 port_ = 0;
    quint16 csp4Port_ = 0;
};

// Sets NIMBIX_SERVER for its lifetime and restores the previous value.
class ScopedNimbixServer {
public:
    explicit ScopedNimbixServer(const QString& value);
    ~ScopedNimbixServer();
    ScopedNimbixServer(const ScopedNimbixServer&) = delete;
    ScopedNimbixServer& operator=(const ScopedNimbixServer&) = delete;

private:
    bool hadValue_;
    QByteArray previous_;
};
