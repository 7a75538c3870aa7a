// Sample upload: the form on the wire and the service's answers.
#include "FaultyHttpServer.h"
#include "Nimbix.h"
#include "NimbixdProcess.h"
#include "QtWait.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

// Collects what the library writes to the debug log.
class DebugLog {
public:
    DebugLog() { previous_ = qInstallMessageHandler(&DebugLog::handle); }
    ~DebugLog() { qInstallMessageHandler(previous_); }
    static QStringList lines() { return lines_; }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        lines_ << message;
    }
    static inline QStringList lines_;
    QtMessageHandler previous_;
};

class Upload : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(Upload, SendsTheBrowserFormExactly)
{
    FaultyHttpServer server({FaultyHttpServer::json(R"({"success":1,"key":"k1"})")});
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::Nimbix nimbix;
    QSet<QString> keys;
    ASSERT_TRUE(nimbix.upload_file(write(QStringLiteral("a.bin"), QByteArray()), &keys));
    ASSERT_TRUE(waitUntil([&] { return keys.contains(QStringLiteral("k1")); }));

    const std::string body =
        "------WebKitFormBoundaryWG34hmQbpKBINrfQ\r\n"
        "Content-Disposition: form-data; name=\"MAX_FILE_SIZE\"\r\n"
        "\r\n"
        "10485760\r\n"
        "------WebKitFormBoundaryWG34hmQbpKBINrfQ\r\n"
        "Content-Disposition: form-data; name=\"userdata_upload\"; filename=\"a.bin\"\r\n"
        "Content-Type: application/octet-stream\r\n"
        "\r\n"
        "\r\n"
        "------WebKitFormBoundaryWG34hmQbpKBINrfQ--\r\n"
        "\r\n";
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& request = requests.front();
    const std::string head = request.substr(0, request.find("\r\n\r\n") + 2);
    EXPECT_EQ(request.rfind("POST /upfileload.php HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nContent-Type: multipart/form-data;boundary=----WebKitFormBoundaryWG34hmQbpKBINrfQ\r\n"),
              std::string::npos) << head;
    EXPECT_NE(head.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos) << head;
    EXPECT_EQ(request.substr(head.size() + 2), body);
}

TEST_F(Upload, CarriesBinaryContentUnchanged)
{
    FaultyHttpServer server({FaultyHttpServer::json(R"({"success":1,"key":"k2"})")});
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::Nimbix nimbix;
    const QByteArray content("\0\r\n--\xff\r\n\r\nMZ", 12);
    QSet<QString> keys;
    ASSERT_TRUE(nimbix.upload_file(write(QStringLiteral("x.exe"), content), &keys));
    ASSERT_TRUE(waitUntil([&] { return !keys.isEmpty(); }));
    const std::string request = server.requests().front();
    const std::string part = "Content-Type: application/octet-stream\r\n\r\n" + content.toStdString()
        + "\r\n------WebKitFormBoundaryWG34hmQbpKBINrfQ--\r\n\r\n";
    EXPECT_EQ(request.substr(request.size() - part.size()), part);
}

TEST_F(Upload, RefusesWithoutKeySetOrReadableFile)
{
    FaultyHttpServer server({FaultyHttpServer::json(R"({"success":1,"key":"k"})")});
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::Nimbix nimbix;
    EXPECT_FALSE(nimbix.upload_file(write(QStringLiteral("a.bin"), "x"), nullptr));
    QSet<QString> keys;
    EXPECT_FALSE(nimbix.upload_file(dir.filePath(QStringLiteral("missing")), &keys));
    EXPECT_FALSE(nimbix.upload_file(dir.path(), &keys));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Upload, ReferenceServiceStoresOnceAndReportsDuplicates)
{
    NimbixdProcess service;
    NimbixdProcess::Options options;
    options.samples = true;
    service.start({}, options);
    ScopedNimbixServer env(service.address());
    Cloud::Nimbix nimbix;
    DebugLog log;

    const QByteArray content = "sample content";
    const QString key = QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
    QSet<QString> keys;
    ASSERT_TRUE(nimbix.upload_file(write(QStringLiteral("sample.exe"), content), &keys));
    ASSERT_TRUE(waitUntil([&] { return keys.contains(key); }));
    QFile stored(service.samplesDir() + QLatin1Char('/') + key);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), content);

    QSet<QString> again;
    ASSERT_TRUE(nimbix.upload_file(write(QStringLiteral("copy.exe"), content), &again));
    ASSERT_TRUE(waitUntil([] { return DebugLog::lines().contains(QStringLiteral("File already exists in the database.")); }));
    EXPECT_TRUE(again.isEmpty());
}

TEST_F(Upload, LogsAnswersItCannotUse)
{
    FaultyHttpServer server({FaultyHttpServer::json("not json"), FaultyHttpServer::status(500, "down")});
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::Nimbix nimbix;
    DebugLog log;
    QSet<QString> keys;
    const auto logged = [](const QString& prefix) {
        return !DebugLog::lines().filter(prefix).isEmpty();
    };

    ASSERT_TRUE(nimbix.upload_file(write(QStringLiteral("a.bin"), "a"), &keys));
    ASSERT_TRUE(waitUntil([&] { return logged(QStringLiteral("Error occured when handling json: ")); }));
    EXPECT_TRUE(logged(QStringLiteral("not json")));

    ASSERT_TRUE(nimbix.upload_file(write(QStringLiteral("b.bin"), "b"), &keys));
    ASSERT_TRUE(waitUntil([&] { return logged(QStringLiteral("upload_finished error: \"")); }));
    EXPECT_TRUE(keys.isEmpty());
}

} // namespace
