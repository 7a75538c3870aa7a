// CHttpHash as a network access manager: plain http POSTs go over its own
// keep-alive connection. Against a loopback server that answers with exactly
// the bytes a case gives it, and against nimbixd.
#include "CHttpHash.h"
#include "FaultyHttpServer.h"
#include "KeepAliveReply.h"
#include "NimbixdProcess.h"
#include "QtWait.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QUrl>

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kAnswerA = R"({"source":"cloud","level":1,"name":"A","id":0})";
const std::string kAnswerB = R"({"source":"cloud","level":2,"name":"B","id":0})";

std::string with_length(const std::string& head, const std::string& body)
{
    return head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

QNetworkRequest form_request(const std::string& address)
{
    const QString url = QStringLiteral("http://%1/interface/cloud/query").arg(QString::fromStdString(address));
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    return request;
}

// The reply's signals, in the order they came.
QStringList* record(QNetworkReply* reply)
{
    auto* events = new QStringList;
    QObject::connect(reply, &QObject::destroyed, [events] { delete events; });
    QObject::connect(reply, &QNetworkReply::metaDataChanged,
                     [events] { *events << QStringLiteral("metaDataChanged"); });
    QObject::connect(reply, &QNetworkReply::readyRead, [events] { *events << QStringLiteral("readyRead"); });
    QObject::connect(reply, &QNetworkReply::errorOccurred, [events] { *events << QStringLiteral("errorOccurred"); });
    QObject::connect(reply, &QNetworkReply::finished, [events] { *events << QStringLiteral("finished"); });
    return events;
}

bool has_status(const QNetworkReply* reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
}

TEST(KeepAliveManager, PostIsServedByItsOwnReplyAndTheManagerReportsIt)
{
    FaultyHttpServer server({FaultyHttpServer::json(kAnswerA)});
    Cloud::CHttpHash manager;
    std::vector<QNetworkReply*> reported;
    QObject::connect(&manager, &QNetworkAccessManager::finished,
                     [&reported](QNetworkReply* done) { reported.push_back(done); });

    const QNetworkRequest request = form_request(server.address());
    QNetworkReply* reply = manager.post(request, QByteArrayLiteral("md5=abc"));
    const QStringList* events = record(reply);
    EXPECT_NE(qobject_cast<Cloud::KeepAliveReply*>(reply), nullptr);
    EXPECT_FALSE(reply->isFinished());
    ASSERT_TRUE(waitUntil([reply] { return reply->isFinished(); }));

    EXPECT_EQ(reported, std::vector<QNetworkReply*>{reply});
    EXPECT_EQ(*events, (QStringList{QStringLiteral("metaDataChanged"), QStringLiteral("readyRead"),
                                    QStringLiteral("finished")}));
    EXPECT_EQ(reply->error(), QNetworkReply::NoError);
    EXPECT_EQ(reply->operation(), QNetworkAccessManager::PostOperation);
    EXPECT_EQ(reply->url(), request.url());
    EXPECT_EQ(reply->request().url(), request.url());
    EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    EXPECT_EQ(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray(), "OK");
    EXPECT_EQ(reply->header(QNetworkRequest::ContentTypeHeader).toString(), QStringLiteral("application/json"));
    EXPECT_EQ(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(),
              static_cast<qlonglong>(kAnswerA.size()));
    EXPECT_EQ(reply->bytesAvailable(), static_cast<qint64>(kAnswerA.size()));
    EXPECT_EQ(reply->readAll().toStdString(), kAnswerA);
    EXPECT_EQ(reply->bytesAvailable(), 0);
    delete reply;
}

TEST(KeepAliveManager, OtherRequestsTakeQtsOwnRoad)
{
    FaultyHttpServer server({FaultyHttpServer::json(kAnswerA)});
    Cloud::CHttpHash manager;

    QNetworkReply* get = manager.get(form_request(server.address()));
    EXPECT_EQ(qobject_cast<Cloud::KeepAliveReply*>(get), nullptr);
    ASSERT_TRUE(waitUntil([get] { return get->isFinished(); }));
    EXPECT_EQ(get->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    EXPECT_EQ(get->readAll().toStdString(), kAnswerA);
    delete get;

    QNetworkRequest secure = form_request(server.address());
    QUrl url = secure.url();
    url.setScheme(QStringLiteral("https"));
    secure.setUrl(url);
    QNetworkReply* post = manager.post(secure, QByteArrayLiteral("md5=abc"));
    EXPECT_EQ(qobject_cast<Cloud::KeepAliveReply*>(post), nullptr);
    post->abort();
    delete post;
}

// What the reply reports when the exchange goes wrong.
struct Failure {
    const char* label;
    std::string answer;  // empty: nothing listens on the port
    QNetworkReply::NetworkError error;
    int status;  // 0: no status attribute
    std::string body;
};

void PrintTo(const Failure& f, std::ostream* os)
{
    *os << f.label;
}

class KeepAliveFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(KeepAliveFailure, ErrorAndFinishedWithoutAWrongStatus)
{
    const Failure& f = GetParam();
    std::string address;
    std::unique_ptr<FaultyHttpServer> server;
    if (f.answer.empty()) {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        address = "127.0.0.1:" + std::to_string(probe.serverPort());
    } else {
        server = std::make_unique<FaultyHttpServer>(std::vector<FaultyHttpServer::Reply>{{f.answer, 0, false, true}});
        address = server->address();
    }
    Cloud::CHttpHash manager;
    int reported = 0;
    QObject::connect(&manager, &QNetworkAccessManager::finished, [&reported](QNetworkReply*) { ++reported; });

    QNetworkReply* reply = manager.post(form_request(address), QByteArrayLiteral("md5=abc"));
    const QStringList* events = record(reply);
    ASSERT_TRUE(waitUntil([reply] { return reply->isFinished(); }));
    EXPECT_EQ(reply->error(), f.error) << reply->errorString().toStdString();
    EXPECT_EQ(reported, 1);
    ASSERT_GE(events->size(), 2);
    EXPECT_EQ(events->mid(events->size() - 2),
              (QStringList{QStringLiteral("errorOccurred"), QStringLiteral("finished")}));
    EXPECT_EQ(has_status(reply), f.status != 0);
    EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), f.status);
    EXPECT_EQ(reply->readAll().toStdString(), f.body);
    delete reply;
}

INSTANTIATE_TEST_SUITE_P(Exchanges, KeepAliveFailure, ::testing::Values(
    Failure{"connection refused", "", QNetworkReply::ConnectionRefusedError, 0, ""},
    Failure{"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n", QNetworkReply::ProtocolFailure, 0, ""},
    Failure{"malformed chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\nzz\r\n",
            QNetworkReply::ProtocolFailure, 0, "{}"},
    Failure{"closed inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n{\"source\"",
            QNetworkReply::RemoteHostClosedError, 0, "{\"source\""},
    Failure{"404 arrives whole", with_length("HTTP/1.1 404 Not Found\r\n", "gone"), QNetworkReply::ContentNotFoundError,
            404, "gone"},
    Failure{"500 arrives whole", with_length("HTTP/1.1 500 Internal Server Error\r\n", "oops"),
            QNetworkReply::InternalServerError, 500, "oops"}));

// How a reply that is still waiting can end before the next request.
enum class Ending { Deleted, Aborted, LeftRunning };

void PrintTo(Ending e, std::ostream* os)
{
    *os << (e == Ending::Deleted ? "deleted" : e == Ending::Aborted ? "aborted" : "left running");
}

class StaleAnswer : public ::testing::TestWithParam<Ending> {};

TEST_P(StaleAnswer, NeverReadAsTheNextOne)
{
    FaultyHttpServer server({{FaultyHttpServer::json(kAnswerA).bytes, 300, false, false},
                             FaultyHttpServer::json(kAnswerB)});
    Cloud::CHttpHash manager;
    std::vector<QNetworkReply*> reported;
    QObject::connect(&manager, &QNetworkAccessManager::finished,
                     [&reported](QNetworkReply* done) { reported.push_back(done); });

    QNetworkReply* first = manager.post(form_request(server.address()), QByteArrayLiteral("md5=1"));
    ASSERT_TRUE(waitUntil([&server] { return server.requests().size() == 1; }));
    if (GetParam() == Ending::Deleted)
        delete first;
    else if (GetParam() == Ending::Aborted)
        first->abort();

    QNetworkReply* second = manager.post(form_request(server.address()), QByteArrayLiteral("md5=2"));
    ASSERT_TRUE(waitUntil([second] { return second->isFinished(); }));
    // Past the moment the first answer was sent on the first connection.
    waitUntil([] { return false; }, 500);
    EXPECT_EQ(second->error(), QNetworkReply::NoError);
    EXPECT_EQ(second->readAll().toStdString(), kAnswerB);
    EXPECT_EQ(server.connections(), 2u);

    if (GetParam() != Ending::Deleted) {
        EXPECT_TRUE(first->isFinished());
        EXPECT_EQ(first->error(), QNetworkReply::OperationCanceledError);
        EXPECT_FALSE(has_status(first));
        EXPECT_EQ(reported, (std::vector<QNetworkReply*>{first, second}));
        delete first;
    }
    delete second;
}

INSTANTIATE_TEST_SUITE_P(Endings, StaleAnswer,
                         ::testing::Values(Ending::Deleted, Ending::Aborted, Ending::LeftRunning));

// Queries one after the other through QueryHash, as the lookup does them.
struct Sequence {
    const char* label;
    std::vector<FaultyHttpServer::Reply> replies;
    std::vector<std::pair<bool, std::string>> results;  // QueryHash's result and answer, query by query
    std::size_t requests;
    std::size_t connections;
};

void PrintTo(const Sequence& s, std::ostream* os)
{
    *os << s.label;
}

FaultyHttpServer::Reply closing(const std::string& bytes)
{
    return {bytes, 0, false, true};
}

const std::pair<bool, std::string> kFailed{false, ""};
const std::pair<bool, std::string> kGotA{true, kAnswerA};
const std::pair<bool, std::string> kGotB{true, kAnswerB};

class QuerySequence : public ::testing::TestWithParam<Sequence> {};

TEST_P(QuerySequence, AnswersAndConnections)
{
    const Sequence& s = GetParam();
    FaultyHttpServer server(s.replies);
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::CHttpHash hash;
    for (std::size_t i = 0; i < s.results.size(); ++i) {
        QString answer;
        const bool ok = hash.QueryHash(QByteArrayLiteral("900150983cd24fb0d6963f7d28e17f72"), answer);
        EXPECT_EQ(std::make_pair(ok, answer.toStdString()), s.results[i]) << "query " << i + 1;
    }
    EXPECT_EQ(server.requests().size(), s.requests);
    EXPECT_EQ(server.connections(), s.connections);
}

const std::string kOkHead = "HTTP/1.1 200 OK\r\n";

INSTANTIATE_TEST_SUITE_P(Exchanges, QuerySequence, ::testing::Values(
    Sequence{"one connection for every query", {FaultyHttpServer::json(kAnswerA)}, {kGotA, kGotA, kGotA}, 3, 1},
    Sequence{"chunked answers",
             {{kOkHead + "Transfer-Encoding: chunked\r\n\r\n10\r\n" + kAnswerA.substr(0, 16) + "\r\n"
               + QByteArray::number(static_cast<int>(kAnswerA.size() - 16), 16).toStdString() + "\r\n"
               + kAnswerA.substr(16) + "\r\n0\r\n\r\n"}},
             {kGotA, kGotA}, 2, 1},
    Sequence{"100 Continue before the answer",
             {{"HTTP/1.1 100 Continue\r\n\r\n" + FaultyHttpServer::json(kAnswerA).bytes}}, {kGotA, kGotA}, 2, 1},
    Sequence{"HTTP/1.0 answer ended by closing",
             {closing("HTTP/1.0 200 OK\r\n\r\n" + kAnswerA), FaultyHttpServer::json(kAnswerB)}, {kGotA, kGotB}, 2, 2},
    Sequence{"Connection: close is obeyed though the server keeps it open",
             {{with_length(kOkHead + "Connection: close\r\n", kAnswerA)}, FaultyHttpServer::json(kAnswerB)},
             {kGotA, kGotB}, 2, 2},
    Sequence{"server closes the idle connection without saying so",
             {closing(FaultyHttpServer::json(kAnswerA).bytes), FaultyHttpServer::json(kAnswerB)}, {kGotA, kGotB}, 2, 2},
    Sequence{"reused connection closed before any answer: asked once more",
             {FaultyHttpServer::json(kAnswerA), closing(""), FaultyHttpServer::json(kAnswerB)}, {kGotA, kGotB}, 3, 2},
    Sequence{"closed again on the fresh connection: no third try",
             {FaultyHttpServer::json(kAnswerA), closing(""), closing(""), FaultyHttpServer::json(kAnswerB)},
             {kGotA, kFailed, kGotB}, 4, 3},
    Sequence{"reused connection closed inside the answer: not asked again",
             {FaultyHttpServer::json(kAnswerA), closing(kOkHead + "Content-Le"), FaultyHttpServer::json(kAnswerB)},
             {kGotA, kFailed, kGotB}, 3, 2},
    Sequence{"fresh connection closed before any answer: not asked again",
             {closing(""), FaultyHttpServer::json(kAnswerB)}, {kFailed, kGotB}, 2, 2},
    Sequence{"body cut off by closing is no answer",
             {closing(FaultyHttpServer::cutBody(kAnswerA, 200).bytes), FaultyHttpServer::json(kAnswerB)},
             {kFailed, kGotB}, 2, 2},
    Sequence{"bytes beyond the answer are never the next answer",
             {{FaultyHttpServer::json(kAnswerA).bytes + FaultyHttpServer::json(kAnswerA).bytes},
              FaultyHttpServer::json(kAnswerB)},
             {kGotA, kGotB}, 2, 2},
    Sequence{"not HTTP", {{"SSH-2.0-OpenSSH_9.2\r\n"}, FaultyHttpServer::json(kAnswerB)}, {kFailed, kGotB}, 2, 2},
    Sequence{"chunks beyond 1 MiB",
             {{kOkHead + "Transfer-Encoding: chunked\r\n\r\n80000\r\n" + std::string(0x80000, ' ') + "\r\n80000\r\n"
               + std::string(0x80000, ' ') + "\r\n1\r\n "},
              FaultyHttpServer::json(kAnswerB)},
             {kFailed, kGotB}, 2, 2},
    Sequence{"204 and 404 keep the connection",
             {{"HTTP/1.1 204 No Content\r\n\r\n"}, FaultyHttpServer::status(404, kAnswerA),
              FaultyHttpServer::json(kAnswerB)},
             {kFailed, kFailed, kGotB}, 3, 1},
    Sequence{"status 200 and part of the body when the wait ends: that part is the answer",
             {FaultyHttpServer::cutBody(kAnswerA, 200)}, {kGotA}, 1, 1}));

TEST(KeepAliveService, HostNameIsResolvedAndNimbixdAnswers)
{
    NimbixdProcess service;
    service.start({QStringLiteral("900150983cd24fb0d6963f7d28e17f72:3:Test.Abc")});
    ScopedNimbixServer env(QStringLiteral("localhost:%1").arg(service.port()));
    Cloud::CHttpHash hash;
    for (int i = 0; i < 3; ++i) {
        QString answer;
        EXPECT_TRUE(hash.QueryHash(QByteArrayLiteral("900150983cd24fb0d6963f7d28e17f72"), answer));
        EXPECT_TRUE(answer.contains(QStringLiteral("Test.Abc"))) << answer.toStdString();
    }
}

} // namespace
