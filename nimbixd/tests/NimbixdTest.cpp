// nimbixd as a program: start-up checks, the HTTP contract on keep-alive
// connections, malformed requests, and the CSP4 port.
#include "HashProtocol.pb.h"
#include "MessageContainer.pb.h"
#include "NimbixdProcess.h"
#include "RawConnection.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const char* const kEvil = "44d88612fea8a8f36de82e1278abb02f";
const char* const kQueued = "0123456789abcdef0123456789abcdef";

using Connection = RawConnection;

std::string query(const std::string& body)
{
    return "POST /interface/cloud/query HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class Service : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        service = new NimbixdProcess;
        NimbixdProcess::Options options;
        options.queued = {kQueued};
        options.csp4 = true;
        service->start({"# comment line", "", QStringLiteral("%1:68:Eicar-Test-Signature").arg(kEvil),
                        "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA:*:Upper.Case:90",
                        QStringLiteral("%1:68:Duplicate.Later").arg(kEvil),
                        "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb:1:Quote\"Back\\slash"},
                       options);
    }
    static void TearDownTestSuite() { delete service; }

    static inline NimbixdProcess* service = nullptr;
};

TEST_F(Service, AnswersQueriesOnOneKeepAliveConnection)
{
    struct Expect {
        std::string body;
        std::string answer;
    };
    const Expect table[] = {
        {std::string("md5=") + kEvil, R"({"source":"cloud","level":2,"name":"Eicar-Test-Signature","id":1})"},
        {"md5=44D88612FEA8A8F36DE82E1278ABB02F", R"({"source":"cloud","level":2,"name":"Eicar-Test-Signature","id":1})"},
        {"md5=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", R"({"source":"cloud","level":2,"name":"Upper.Case","id":2})"},
        {"md5=bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", R"({"source":"cloud","level":2,"name":"Quote\"Back\\slash","id":4})"},
        {"md5=cccccccccccccccccccccccccccccccc", R"({"source":"cloud","level":1,"name":"","id":0})"},
        {std::string("md5=") + kQueued, R"({"source":"queue","level":0,"name":"","id":0})"},
        {"x=1&md5=cccccccccccccccccccccccccccccccc&y=2", R"({"source":"cloud","level":1,"name":"","id":0})"},
    };
    Connection connection(service->port());
    ASSERT_TRUE(connection.connected());
    for (const Expect& e : table) {
        ASSERT_TRUE(connection.send(query(e.body)));
        EXPECT_EQ(connection.response(), std::make_pair(200, e.answer)) << e.body;
    }
}

TEST_F(Service, MalformedRequestsGet400AndServingGoesOn)
{
    const std::string table[] = {
        query(""),
        query("md5="),
        query("md5=44d88612"),
        query("md5=zzd88612fea8a8f36de82e1278abb02f"),
        query("md5=44d88612fea8a8f36de82e1278abb02f00"),
        query("sha1=44d88612fea8a8f36de82e1278abb02f"),
        "GARBAGE\r\n\r\n",
        "POST /interface/cloud/query HTTP/1.1\r\nContent-Length: nonsense\r\n\r\n",
    };
    for (const std::string& request : table) {
        Connection bad(service->port());
        ASSERT_TRUE(bad.send(request));
        EXPECT_EQ(bad.response().first, 400) << request;
    }
    Connection good(service->port());
    ASSERT_TRUE(good.send(query(std::string("md5=") + kEvil)));
    EXPECT_EQ(good.response().first, 200);
}

TEST_F(Service, BoundsRequestHeadsAndBodiesByRoute)
{
    // A digest query's body is tiny: 4 KiB is far more than it needs. Heads
    // up to 8 KiB. Either bound closes the connection.
    const std::size_t bound = 4096;
    const std::string md5 = std::string("md5=") + kEvil + "&pad=";
    const auto padded = [&](std::size_t size) { return md5 + std::string(size - md5.size(), 'p'); };
    const std::pair<std::string, int> table[] = {
        {query(padded(bound)), 200},
        {query(padded(bound + 1)), 413},
        {"POST /interface/cloud/query HTTP/1.1\r\nContent-Length: 1073741824\r\n\r\nmd5=", 413},
        {"POST /elsewhere HTTP/1.1\r\nContent-Length: 10485760\r\n\r\n", 413},
        {"POST /interface/cloud/query HTTP/1.1\r\nX-Pad: " + std::string(9000, 'x') + "\r\n\r\n", 431},
    };
    for (const auto& [request, status] : table) {
        Connection connection(service->port());
        ASSERT_TRUE(connection.send(request));
        EXPECT_EQ(connection.response().first, status) << request.size();
        if (status != 200) {
            EXPECT_TRUE(connection.closedByPeer()) << request.size();
        }
    }
}

// RFC 9112 section 6: a body whose length is not plain to every reader of the
// request would let a proxy in front see one request where this service
// sees two. Each gets its error and a close; the request hidden in the
// body is never answered.
TEST_F(Service, AmbiguousFramingGetsAnErrorAndAClose)
{
    const std::string hidden = query(std::string("md5=") + kEvil);
    const auto head = [](const std::string& version, const std::string& fields) {
        return "POST /interface/cloud/query " + version + "\r\nHost: x\r\n" + fields + "\r\n";
    };
    const std::pair<std::string, int> table[] = {
        {head("HTTP/1.1", "Transfer-Encoding: gzip\r\n") + hidden, 400},
        {head("HTTP/1.1", "Transfer-Encoding: chunked, identity\r\n") + hidden, 400},
        {head("HTTP/1.1", "Transfer-Encoding: chunked\r\nTransfer-Encoding: x\r\n") + hidden, 400},
        {head("HTTP/1.1", "Transfer-Encoding: chunked, chunked\r\n") + "0\r\n\r\n" + hidden, 400},
        {head("HTTP/1.1", "Transfer-Encoding: gzip, chunked\r\n") + "0\r\n\r\n" + hidden, 501},
        {head("HTTP/1.1", "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n") + "0\r\n\r\n" + hidden, 400},
        {head("HTTP/1.0", "Transfer-Encoding: chunked\r\n") + "0\r\n\r\n" + hidden, 400},
        {head("HTTP/1.1", "Content-Length: 0\r\nContent-Length: 0\r\n") + hidden, 400},
        {head("HTTP/1.1", "Content-Length: 0, 0\r\n") + hidden, 400},
        {head("HTTP/1.1", "Content-Length: 0\r\nContent-Length: 36\r\n") + hidden, 400},
        {head("HTTP/1.1", "Content-Length : 0\r\n") + hidden, 400},
        {head("HTTP/1.1", "Content-Length: +0\r\n") + hidden, 400},
        {head("HTTP/1.1", "Transfer-Encoding: chunked\r\n") + "zz\r\n" + hidden, 400},
        {head("HTTP/1.1", "Transfer-Encoding: chunked\r\n") + "fffffffffffffffffff\r\n" + hidden, 400},
    };
    for (const auto& [request, status] : table) {
        Connection connection(service->port());
        ASSERT_TRUE(connection.send(request));
        EXPECT_EQ(connection.response().first, status) << request;
        EXPECT_EQ(connection.response().first, 0) << "answered the hidden request: " << request;
        EXPECT_TRUE(connection.closedByPeer()) << request;
    }

    // Plain chunked framing is fine, and the connection stays.
    Connection chunked(service->port());
    const std::string body = std::string("md5=") + kEvil;
    ASSERT_TRUE(chunked.send(head("HTTP/1.1", "Transfer-Encoding: chunked\r\n") + "24\r\n" + body
                             + "\r\n0\r\n\r\n" + hidden));
    EXPECT_EQ(chunked.response().first, 200);
    EXPECT_EQ(chunked.response().first, 200);
}

TEST_F(Service, GivesTheGoAheadToClientsThatWaitForIt)
{
    const std::string body = std::string("md5=") + kEvil;
    Connection connection(service->port());
    ASSERT_TRUE(connection.send("POST /interface/cloud/query HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\n"
                                "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n"));
    EXPECT_EQ(connection.receive(25), "HTTP/1.1 100 Continue\r\n\r\n");
    ASSERT_TRUE(connection.send(body));
    EXPECT_EQ(connection.response().first, 200);
}

TEST_F(Service, UnknownEndpointsAndUploadWithoutSampleFolder)
{
    Connection connection(service->port());
    ASSERT_TRUE(connection.send("GET /interface/cloud/query HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_EQ(connection.response().first, 405);
    ASSERT_TRUE(connection.send("POST /elsewhere HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n"));
    EXPECT_EQ(connection.response().first, 404);
    ASSERT_TRUE(connection.send("POST /upfileload.php HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n"));
    EXPECT_EQ(connection.response().first, 404);
}

std::string csp4_frame(int type, int version, const std::string& body)
{
    MessageContainer c;
    c.set_type_id(static_cast<MessageContainer::MessageType>(type));
    c.set_version(version);
    if (!body.empty())
        c.set_body(body);
    const std::string inner = c.SerializeAsString();
    std::string frame = "CSP4";
    for (int shift = 0; shift < 32; shift += 8)
        frame.push_back(static_cast<char>((inner.size() >> shift) & 0xff));
    return frame + inner;
}

// Reads one frame's container.
MessageContainer csp4_receive(Connection& connection)
{
    const std::string header = connection.receive(8);
    MessageContainer c;
    if (header.size() == 8 && header.compare(0, 4, "CSP4") == 0) {
        const std::uint32_t length = static_cast<unsigned char>(header[4]) | static_cast<unsigned char>(header[5]) << 8
            | static_cast<unsigned char>(header[6]) << 16;
        c.ParseFromString(connection.receive(length));
    }
    return c;
}

TEST_F(Service, Csp4AnswersSeveralDigestsAndKeepAlive)
{
    HashQuery query;
    query.set_version(1);
    query.set_query(HashQuery::QUERY_HASH);
    for (const std::string& hex : {std::string(kEvil), std::string(kQueued), std::string(32, 'c')}) {
        auto* value = query.add_hashvalues();
        value->set_key(hex);
        std::string raw;
        for (std::size_t i = 0; i < hex.size(); i += 2)
            raw.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        value->set_md5(raw);
    }
    query.add_hashvalues()->set_key("short");
    query.mutable_hashvalues(3)->set_md5("xyz");

    Connection connection(service->csp4Port());
    ASSERT_TRUE(connection.send(csp4_frame(MessageContainer::KEEP_ALIVE, 1, "")
                                + csp4_frame(MessageContainer::QUERY_HASH, 1, query.SerializeAsString())));
    EXPECT_EQ(csp4_receive(connection).type_id(), MessageContainer::KEEP_ALIVE);
    const MessageContainer reply = csp4_receive(connection);
    ASSERT_EQ(reply.type_id(), MessageContainer::QUERY_HASH);
    HashResponse response;
    ASSERT_TRUE(response.ParseFromString(reply.body()));
    EXPECT_EQ(response.status(), HashResponse::STATUS_OK);
    ASSERT_EQ(response.results_size(), 4);
    EXPECT_EQ(response.results(0).report(), HashResponse::DANGEROUS);
    EXPECT_EQ(response.results(0).report_name(), "Eicar-Test-Signature");
    EXPECT_EQ(response.results(1).report(), HashResponse::WAIT_FOR_SCAN);
    EXPECT_EQ(response.results(2).report(), HashResponse::SAFETY);
    EXPECT_EQ(response.results(3).key(), "short");
    EXPECT_EQ(response.results(3).report(), HashResponse::NOT_FOUND);

    // A query it cannot read gets STATUS_ERROR on the same connection.
    ASSERT_TRUE(connection.send(csp4_frame(MessageContainer::QUERY_HASH, 1, "\xff\xff")));
    HashResponse error;
    ASSERT_TRUE(error.ParseFromString(csp4_receive(connection).body()));
    EXPECT_EQ(error.status(), HashResponse::STATUS_ERROR);
}

TEST_F(Service, Csp4AnswersAtMost1024DigestsAQuery)
{
    Connection connection(service->csp4Port());
    for (const int count : {1024, 1025}) {
        HashQuery query;
        query.set_version(1);
        query.set_query(HashQuery::QUERY_HASH);
        for (int i = 0; i < count; ++i) {
            auto* value = query.add_hashvalues();
            value->set_key(std::string(32, 'c'));
            value->set_md5(std::string(16, '\xcc'));
        }
        ASSERT_TRUE(connection.send(csp4_frame(MessageContainer::QUERY_HASH, 1, query.SerializeAsString())));
        HashResponse response;
        ASSERT_TRUE(response.ParseFromString(csp4_receive(connection).body())) << count;
        EXPECT_EQ(response.status(), count <= 1024 ? HashResponse::STATUS_OK : HashResponse::STATUS_ERROR);
        EXPECT_EQ(response.results_size(), count <= 1024 ? count : 0);
    }
}

TEST_F(Service, Csp4ClosesConnectionsThatBreakTheFraming)
{
    const std::string table[] = {
        "HTTP/1.1 GET /\r\n\r\n",
        std::string("CSP4\x01\x00\x01\x00", 8),  // 64 KiB + 1
        csp4_frame(MessageContainer::QUERY_HASH, 2, "x"),
        std::string("CSP4\x03\x00\x00\x00\xff\xff\xff", 11),
    };
    for (const std::string& bytes : table) {
        Connection connection(service->csp4Port());
        ASSERT_TRUE(connection.send(bytes));
        EXPECT_TRUE(connection.closedByPeer());
    }
    Connection good(service->csp4Port());
    ASSERT_TRUE(good.send(csp4_frame(MessageContainer::KEEP_ALIVE, 1, "")));
    EXPECT_EQ(csp4_receive(good).type_id(), MessageContainer::KEEP_ALIVE);
}

struct StartUp {
    const char* label;
    const char* hdb;        // written to FILE
    const char* queue;      // written to QUEUE
    QStringList arguments;  // FILE and QUEUE stand for those files' paths
    int exitCode;
    const char* message;    // expected in standard error
};

void PrintTo(const StartUp& s, std::ostream* os)
{
    *os << s.label;
}

class StartUpFailure : public ::testing::TestWithParam<StartUp> {};

TEST_P(StartUpFailure, StopsWithAMessage)
{
    const StartUp& s = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db.hdb"));
    const QString queue = dir.filePath(QStringLiteral("queue.txt"));
    for (const auto& [name, content] : {std::pair{path, s.hdb}, std::pair{queue, s.queue}}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QStringList arguments;
    for (const QString& a : s.arguments)
        arguments << (a == QLatin1String("FILE") ? path : a == QLatin1String("QUEUE") ? queue : a);

    QProcess process;
    process.start(NimbixdProcess::executable(), arguments);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), s.exitCode);
    const QString error = QString::fromUtf8(process.readAllStandardError()).replace(path, QStringLiteral("FILE"))
                              .replace(queue, QStringLiteral("QUEUE"));
    EXPECT_TRUE(error.contains(QString::fromUtf8(s.message))) << error.toStdString();
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
}

const QStringList kRun{"--listen", "127.0.0.1:0", "--hash-db", "FILE"};
const char* const kGood = "44d88612fea8a8f36de82e1278abb02f:68:Eicar\n";

INSTANTIATE_TEST_SUITE_P(Cases, StartUpFailure, ::testing::Values(
    StartUp{"short digest", "# x\n44d88612:68:Name\n", "", kRun, 1, "FILE:2: malformed hash signature"},
    StartUp{"sha1 digest", "da39a3ee5e6b4b0d3255bfef95601890afd80709:0:Name\n", "", kRun, 1, "FILE:1: malformed"},
    StartUp{"size not a number", "\n\n44d88612fea8a8f36de82e1278abb02f:x:Name\n", "", kRun, 1, "FILE:3: malformed"},
    StartUp{"no name", "44d88612fea8a8f36de82e1278abb02f:68:\n", "", kRun, 1, "FILE:1: malformed"},
    StartUp{"two fields", "44d88612fea8a8f36de82e1278abb02f:68\n", "", kRun, 1, "FILE:1: malformed"},
    StartUp{"five fields", "44d88612fea8a8f36de82e1278abb02f:68:N:1:2\n", "", kRun, 1, "FILE:1: malformed"},
    StartUp{"bad level", "44d88612fea8a8f36de82e1278abb02f:68:N:x\n", "", kRun, 1, "FILE:1: malformed"},
    StartUp{"bad queue line", kGood, "# queued\n0123:Name\n", kRun + QStringList{"--queue", "QUEUE"}, 1,
            "QUEUE:2: malformed queue entry"},
    StartUp{"missing database", "", "", {"--listen", "127.0.0.1:0", "--hash-db", "/nonexistent/db.hdb"}, 1,
            "/nonexistent/db.hdb: cannot open"},
    StartUp{"no database", "", "", {"--listen", "127.0.0.1:0"}, 2, "at least one --hash-db"},
    StartUp{"no listen", kGood, "", {"--hash-db", "FILE"}, 2, "--listen ADDR:PORT is required"},
    StartUp{"bad port", kGood, "", {"--listen", "127.0.0.1:99999", "--hash-db", "FILE"}, 2, "port must be"},
    StartUp{"no port", kGood, "", {"--listen", "127.0.0.1", "--hash-db", "FILE"}, 2, "missing ':PORT'"},
    StartUp{"sample folder missing", kGood, "", kRun + QStringList{"--samples", "/nonexistent/samples"}, 1,
            "--samples /nonexistent/samples: not a folder"},
    StartUp{"unknown argument", kGood, "", kRun + QStringList{"--fast"}, 2, "unknown argument \"--fast\""}));

TEST_F(Service, TakenPortStopsASecondService)
{
    QTemporaryDir dir;
    QFile db(dir.filePath(QStringLiteral("db.hdb")));
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.close();
    QProcess second;
    second.start(NimbixdProcess::executable(),
                 {"--listen", service->address(), "--hash-db", db.fileName()});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("cannot listen on " + service->address().toUtf8()));
}

TEST(Help, DocumentsTheQueueAndTheDatabaseFormat)
{
    QProcess process;
    process.start(NimbixdProcess::executable(), {"--help"});
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0);
    const QByteArray help = process.readAllStandardOutput();
    EXPECT_TRUE(help.contains("--queue FILE"));
    EXPECT_TRUE(help.contains("md5:size:name"));
}

} // namespace
