#include "Nimbix.h"

#include "AnswerVerdict.h"
#include "HashProtocol.pb.h"
#include "ServiceAddress.h"
#include "Text8Bit.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTimer>

#include <limits>
#include <stdexcept>
#include <string>

namespace Cloud {

namespace {

constexpr qint64 kMaxFileSize = 10485760;
constexpr int kConnectTimeoutMs = 3000;

[[noreturn]] void throw_unreadable(const QString& path, const QFile& file)
{
    throw std::runtime_error("cannot read file \"" + path.toStdString() + "\": "
                             + file.errorString().toStdString());
}

} // namespace

Nimbix::Nimbix()
{
    const ServiceAddress address = service_address();
    server_host = address.host;
    server_port = address.port;
    upload_url = service_url(address, QStringLiteral("/upfileload.php")).toString();
    http.set_server(upload_url, server_host);
}

Nimbix::~Nimbix() = default;

void Nimbix::initialize()
{
}

void Nimbix::release()
{
    delete this;
}

bool Nimbix::is_online()
{
    // waitForConnected() resolves the host name with a blocking look-up that
    // its time-out does not bound; an unreachable name server would then
    // hold the caller far longer than 3000 ms. Waiting on the socket's
    // signals bounds name resolution and connection together.
    QTcpSocket probe;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QAbstractSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(&probe, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);

    probe.connectToHost(server_host, server_port, QIODevice::ReadWrite);
    timer.start(kConnectTimeoutMs);
    if (probe.state() != QAbstractSocket::ConnectedState
        && probe.state() != QAbstractSocket::UnconnectedState)
        loop.exec();

    const bool online = probe.state() == QAbstractSocket::ConnectedState;
    probe.close();
    return online;
}

QPair<QString, FileResult> Nimbix::query_file(QString path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw std::runtime_error("file not found");
    if (info.size() > kMaxFileSize)
        throw std::runtime_error("file too large");

    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly))
        throw_unreadable(path, file);
    // Read at most one byte past the limit: a file that grew since it was
    // measured, or a device posing as a file, must not fill the memory.
    QByteArray content = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw_unreadable(path, file);
    file.close();
    if (content.size() > kMaxFileSize)
        throw std::runtime_error("file too large");

    const QByteArray digest = QCryptographicHash::hash(content, QCryptographicHash::Md5);
    content.clear();
    return query_hash(digest);
}

QPair<QString, FileResult> Nimbix::query_hash(QByteArray md5)
{
    // A failed exchange is named for what happened, not left to show as an
    // empty answer that is not JSON.
    QString answer;
    if (!http_hash.QueryHash(md5.toHex(), answer))
        throw std::runtime_error("lookup failed: " + http_hash.failure().toStdString());
    const QByteArray bytes = to8bit(answer);
    if (http_hash.failure().isEmpty())
        return verdict_from_answer(bytes.toStdString());
    // The wait ended while the answer was still arriving; what came decides.
    try {
        return verdict_from_answer(bytes.toStdString());
    } catch (const std::exception& e) {
        throw std::runtime_error("lookup failed: " + http_hash.failure().toStdString() + ", " + e.what());
    }
}

bool Nimbix::upload_file(QString path, QSet<QString>* keys)
{
    return http.upload_file(path, keys);
}

VerdictMap Nimbix::query_keys(QSet<QString>* keys)
{
    VerdictMap answered;
    const QSet<QString> snapshot = *keys;
    for (const QString& key : snapshot) {
        const QPair<QString, FileResult> record = query_hash(QByteArray::fromHex(to8bit(key)));
        if (record.second != FILE_WAIT_FOR_SCAN) {
            keys->remove(key);
            answered.insert(key, record);
        }
    }
    return answered;
}

void Nimbix::build_hash_request_packet(QByteArray md5, QByteArray* out)
{
    HashQuery query;
    query.set_version(1);
    query.set_query(HashQuery::QUERY_HASH);
    HashQuery::HashValue* value = query.add_hashvalues();
    value->set_key(md5.toHex().toStdString());
    value->set_md5(md5.toStdString());

    std::string frame;
    ProtocolSocket::BuildPacket(MessageContainer::QUERY_HASH, query.SerializeAsString(), &frame);
    out->append(frame.data(), static_cast<qsizetype>(frame.size()));
}

void Nimbix::parse_hash_response_packet(QByteArray data, VerdictMap* results)
{
    HashResponse response;
    // The partial parse and the explicit check keep the protocol library
    // from logging a missing required field; failures only throw.
    if (data.size() > std::numeric_limits<int>::max()
        || !response.ParsePartialFromArray(data.constData(), static_cast<int>(data.size()))
        || !response.IsInitialized())
        throw std::runtime_error("parse_hash_response_packet:ParseFromArray failed");
    if (response.version() != 1)
        throw std::runtime_error("parse_hash_response_packet:unknow version");
    if (response.status() != HashResponse::STATUS_OK)
        throw std::runtime_error("parse_hash_response_packet:reply error");
    for (const HashResponse::HashResult& result : response.results())
        results->insert(from8bit(result.key()),
                        qMakePair(from8bit(result.report_name()),
                                  static_cast<FileResult>(result.report())));
}

} // namespace Cloud
