// Verdicts for files and digests over HTTP, against the reference service and
// against a service that misbehaves.
#include "FaultyHttpServer.h"
#include "Nimbix.h"
#include "NimbixdProcess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

constexpr qint64 kLimit = 10485760;

QString hex(const QByteArray& content)
{
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
}

QByteArray raw(const QByteArray& content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Md5);
}

std::string error_of(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

// One nimbixd for the whole suite: the files at the 10 MiB limit and the
// empty file are listed, so a verdict names the digest that was asked about.
class QueryAgainstService : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir;
        atLimit = QByteArray(kLimit, 'L');
        service = new NimbixdProcess;
        NimbixdProcess::Options options;
        options.queued = {hex("queued content")};
        service->start({QStringLiteral("d41d8cd98f00b204e9800998ecf8427e:0:Test.Empty"),
                        hex(atLimit) + QStringLiteral(":10485760:Test.AtLimit"),
                        hex("evil content") + QStringLiteral(":12:Test.Evil")},
                       options);
        env = new ScopedNimbixServer(service->address());
    }

    static void TearDownTestSuite()
    {
        delete env;
        delete service;
        delete folder;
    }

    static QString write(const QString& name, const QByteArray& content)
    {
        const QString path = folder->filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    static inline QTemporaryDir* folder = nullptr;
    static inline NimbixdProcess* service = nullptr;
    static inline ScopedNimbixServer* env = nullptr;
    static inline QByteArray atLimit;
    Cloud::Nimbix nimbix;
};

TEST_F(QueryAgainstService, EmptyFileIsAskedAboutTheDigestOfEmptyInput)
{
    EXPECT_EQ(nimbix.query_file(write(QStringLiteral("empty"), QByteArray())),
              qMakePair(QStringLiteral("Test.Empty"), Cloud::FILE_DANGEROUS));
}

TEST_F(QueryAgainstService, TenMiBIsTheLargestFileLookedUp)
{
    EXPECT_EQ(nimbix.query_file(write(QStringLiteral("at-limit"), atLimit)),
              qMakePair(QStringLiteral("Test.AtLimit"), Cloud::FILE_DANGEROUS));
    const QString tooLarge = write(QStringLiteral("too-large"), atLimit + 'L');
    EXPECT_EQ(error_of([&] { nimbix.query_file(tooLarge); }), "file too large");
}

TEST_F(QueryAgainstService, MissingFileIsNotFound)
{
    EXPECT_EQ(error_of([&] { nimbix.query_file(folder->filePath(QStringLiteral("missing"))); }),
              "file not found");
}

TEST_F(QueryAgainstService, UnreadableFileIsAnErrorNotTheEmptyDigest)
{
    // Hashing nothing would ask about d41d8cd9..., which this service lists.
    const QString dir = folder->filePath(QStringLiteral("a-folder"));
    ASSERT_TRUE(QDir().mkpath(dir));
    const std::string error = error_of([&] { nimbix.query_file(dir); });
    EXPECT_EQ(error.rfind("cannot read file \"" + dir.toStdString() + "\": ", 0), 0u) << error;

    if (::geteuid() != 0) {
        const QString locked = write(QStringLiteral("locked"), "secret");
        QFile::setPermissions(locked, QFileDevice::Permissions());
        EXPECT_EQ(error_of([&] { nimbix.query_file(locked); }).rfind("cannot read file", 0), 0u);
    }
}

TEST_F(QueryAgainstService, DigestVerdicts)
{
    EXPECT_EQ(nimbix.query_hash(raw("evil content")), qMakePair(QStringLiteral("Test.Evil"), Cloud::FILE_DANGEROUS));
    // A clean answer carries no name and id 0, hence the generic name.
    EXPECT_EQ(nimbix.query_hash(raw("clean content")), qMakePair(QStringLiteral("Cloud.AVM.0"), Cloud::FILE_SAFETY));
    EXPECT_EQ(nimbix.query_hash(raw("queued content")), qMakePair(QString(), Cloud::FILE_WAIT_FOR_SCAN));
}

TEST_F(QueryAgainstService, QueryKeysMovesAnsweredKeysIntoTheMap)
{
    QSet<QString> keys{hex("evil content"), hex("queued content")};
    const Cloud::VerdictMap answered = nimbix.query_keys(&keys);
    EXPECT_EQ(answered.size(), 1);
    EXPECT_EQ(answered.value(hex("evil content")), qMakePair(QStringLiteral("Test.Evil"), Cloud::FILE_DANGEROUS));
    EXPECT_EQ(keys, QSet<QString>{hex("queued content")});
}

// The exact request on the wire.
TEST(QueryRequest, PostsTheDigestAsAForm)
{
    FaultyHttpServer server({FaultyHttpServer::json(R"({"source":"cloud","level":1,"name":"","id":0})")});
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::Nimbix nimbix;
    EXPECT_EQ(nimbix.query_hash(raw("abc")), qMakePair(QStringLiteral("Cloud.AVM.0"), Cloud::FILE_SAFETY));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& request = requests.front();
    EXPECT_EQ(request.rfind("POST /interface/cloud/query HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nHost: " + server.address() + "\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"), std::string::npos)
        << request;
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), "md5=900150983cd24fb0d6963f7d28e17f72");
}

const char* const kCleanJson = R"({"source":"cloud","level":1,"name":"","id":0})";

struct Fault {
    const char* label;
    FaultyHttpServer::Reply reply;
    std::string cause;  // what the error names
};

void PrintTo(const Fault& f, std::ostream* os)
{
    *os << f.label;
}

class FailedExchange : public ::testing::TestWithParam<Fault> {};

TEST_P(FailedExchange, NamesItsCauseWithinTheWait)
{
    FaultyHttpServer server({GetParam().reply});
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::Nimbix nimbix;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    QElapsedTimer clock;
    clock.start();
    const std::string error = error_of([&] { nimbix.query_file(path); });
    EXPECT_NE(error.find(GetParam().cause), std::string::npos) << error;
    // 3000 ms of waiting at most, with room for a loaded machine.
    EXPECT_LT(clock.elapsed(), 15000);
    // A time-out is measured with a precise timer: never early.
    if (error.find("time-out") != std::string::npos) {
        EXPECT_GE(clock.elapsed(), 3000);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedExchange, ::testing::Values(
    Fault{"404 even with a JSON body", FaultyHttpServer::status(404, kCleanJson), "lookup failed: status 404 (Not Found)"},
    Fault{"500", FaultyHttpServer::status(500, "internal error"), "lookup failed: status 500 (Internal Server Error)"},
    Fault{"no status line", FaultyHttpServer::noStatusLine(), "lookup failed: time-out after 3"},
    Fault{"body cut off", FaultyHttpServer::cutBody(R"({"source":"cloud","lev)", 200),
          "lookup failed: time-out after 3"},
    Fault{"closed before answering", {std::string(), 0, false, true}, "lookup failed: "},
    Fault{"not JSON", FaultyHttpServer::json("<html>maintenance</html>"), "answer is not JSON: expected value at byte 0"},
    Fault{"JSON cut short", FaultyHttpServer::json(R"({"source":"cloud","level":)"),
          "answer is not JSON: expected value at byte 26"},
    Fault{"empty", FaultyHttpServer::json(""), "answer is empty"},
    // Valid JSON, but answers beyond 1 MiB are dropped, whole or announced.
    Fault{"larger than 1 MiB", FaultyHttpServer::json(std::string(4 << 20, ' ') + kCleanJson), "1048576 bytes"},
    Fault{"announces more than 1 MiB", FaultyHttpServer::cutBody(kCleanJson, 2 << 20), "1048576 bytes"}));

TEST(QueryAfterTimeOut, LateAnswerToAnEarlierQueryDoesNotEndTheNextOne)
{
    // The first answer comes after the first query gave up, while the second
    // query waits for its own answer. Run from inside an event loop, as a
    // worker's slot would, so the abandoned reply is still alive.
    FaultyHttpServer server({{FaultyHttpServer::json(kCleanJson).bytes, 3500, false},
                             {FaultyHttpServer::json(R"({"source":"cloud","level":2,"name":"Second","id":0})").bytes,
                              1500, false}});
    ScopedNimbixServer env(QString::fromStdString(server.address()));
    Cloud::Nimbix nimbix;

    std::string first;
    std::string secondError;
    QPair<QString, Cloud::FileResult> second;
    QEventLoop outer;
    QTimer::singleShot(0, &outer, [&] {
        first = error_of([&] { nimbix.query_hash(raw("first")); });
        secondError = error_of([&] { second = nimbix.query_hash(raw("second")); });
        outer.quit();
    });
    outer.exec();
    EXPECT_NE(first, "no error");
    EXPECT_EQ(secondError, "no error");
    EXPECT_EQ(second, qMakePair(QStringLiteral("Second"), Cloud::FILE_DANGEROUS));
}

} // namespace
