// The CSP4 binary protocol: frames, hash messages, and reading frames from a
// real loopback connection.
#include "FrameReader.h"
#include "HashProtocol.pb.h"
#include "MessageContainer.pb.h"
#include "Nimbix.h"
#include "NimbixdProcess.h"
#include "ProtocolSocket.h"

#include <QCryptographicHash>

#include <google/protobuf/stubs/logging.h>

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::uint32_t length_field(const std::string& frame)
{
    return static_cast<unsigned char>(frame[4]) | static_cast<unsigned char>(frame[5]) << 8
        | static_cast<unsigned char>(frame[6]) << 16
        | static_cast<std::uint32_t>(static_cast<unsigned char>(frame[7])) << 24;
}

std::string header(std::uint32_t length, const char* magic = "CSP4")
{
    std::string h(magic, 4);
    for (int shift = 0; shift < 32; shift += 8)
        h.push_back(static_cast<char>((length >> shift) & 0xff));
    return h;
}

std::string container_bytes(int version, MessageContainer::MessageType type, const std::string& body)
{
    MessageContainer c;
    c.set_version(version);
    c.set_type_id(type);
    if (!body.empty())
        c.set_body(body);
    return c.SerializeAsString();
}

TEST(BuildPacket, FramesAContainerAfterWhatTheOutputHeld)
{
    std::string out = "before";
    Cloud::ProtocolSocket::BuildPacket(MessageContainer::KEEP_ALIVE, std::string(), &out);
    ASSERT_EQ(out.substr(0, 6), "before");
    const std::string frame = out.substr(6);
    ASSERT_EQ(frame.substr(0, 4), "CSP4");
    ASSERT_EQ(length_field(frame), frame.size() - 8);

    MessageContainer c;
    ASSERT_TRUE(c.ParseFromString(frame.substr(8)));
    EXPECT_EQ(c.type_id(), MessageContainer::KEEP_ALIVE);
    EXPECT_EQ(c.version(), 1);
    EXPECT_FALSE(c.has_body());
}

TEST(BuildHashRequestPacket, HoldsOneHashValueForTheDigest)
{
    Cloud::Nimbix nimbix;
    const QByteArray md5 = QCryptographicHash::hash("abc", QCryptographicHash::Md5);
    QByteArray out("x");
    nimbix.build_hash_request_packet(md5, &out);

    const std::string frame = out.mid(1).toStdString();
    ASSERT_EQ(frame.substr(0, 4), "CSP4");
    ASSERT_EQ(length_field(frame), frame.size() - 8);
    MessageContainer c;
    ASSERT_TRUE(c.ParseFromString(frame.substr(8)));
    EXPECT_EQ(c.type_id(), MessageContainer::QUERY_HASH);
    HashQuery query;
    ASSERT_TRUE(query.ParseFromString(c.body()));
    EXPECT_EQ(query.version(), 1);
    EXPECT_EQ(query.query(), HashQuery::QUERY_HASH);
    ASSERT_EQ(query.hashvalues_size(), 1);
    EXPECT_EQ(query.hashvalues(0).key(), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(query.hashvalues(0).md5(), md5.toStdString());
}

class ParseHashResponse : public ::testing::Test {
protected:
    static QByteArray response(int version, HashResponse::RequestStatus status)
    {
        HashResponse r;
        r.set_version(version);
        r.set_status(status);
        auto* a = r.add_results();
        a->set_key("aa");
        a->set_report(HashResponse::DANGEROUS);
        a->set_report_name("Old.Name");
        auto* b = r.add_results();
        b->set_key("bb");
        b->set_report(HashResponse::WAIT_FOR_SCAN);
        auto* c = r.add_results();
        c->set_key("aa");
        c->set_report(HashResponse::SAFETY);
        c->set_report_name("New.Name");
        const std::string bytes = r.SerializeAsString();
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }

    // Failures are thrown, never logged by the protocol library.
    static inline int logged = 0;
    google::protobuf::LogHandler* previous = nullptr;
    void SetUp() override
    {
        logged = 0;
        previous = google::protobuf::SetLogHandler([](google::protobuf::LogLevel, const char*, int, const std::string&) {
            ++logged;
        });
    }
    void TearDown() override
    {
        google::protobuf::SetLogHandler(previous);
        EXPECT_EQ(logged, 0);
    }

    void expectThrow(const QByteArray& data, const char* message)
    {
        Cloud::VerdictMap map{{QStringLiteral("kept"), {QStringLiteral("K"), Cloud::FILE_SAFETY}}};
        try {
            nimbix.parse_hash_response_packet(data, &map);
            ADD_FAILURE() << "no exception, expected " << message;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), message);
        }
        EXPECT_EQ(map.size(), 1) << "the map must be left unchanged";
    }

    Cloud::Nimbix nimbix;
};

TEST_F(ParseHashResponse, AddsOneEntryPerResultAndKeepsOthers)
{
    Cloud::VerdictMap map{{QStringLiteral("kept"), {QStringLiteral("K"), Cloud::FILE_SAFETY}}};
    nimbix.parse_hash_response_packet(response(1, HashResponse::STATUS_OK), &map);
    ASSERT_EQ(map.size(), 3);
    EXPECT_EQ(map.value(QStringLiteral("aa")), qMakePair(QStringLiteral("New.Name"), Cloud::FILE_SAFETY));
    EXPECT_EQ(map.value(QStringLiteral("bb")), qMakePair(QString(), Cloud::FILE_WAIT_FOR_SCAN));
    EXPECT_EQ(map.value(QStringLiteral("kept")), qMakePair(QStringLiteral("K"), Cloud::FILE_SAFETY));
}

TEST_F(ParseHashResponse, RejectsErrorsVersionsAndGarbage)
{
    expectThrow(response(1, HashResponse::STATUS_ERROR), "parse_hash_response_packet:reply error");
    expectThrow(response(2, HashResponse::STATUS_OK), "parse_hash_response_packet:unknow version");
    expectThrow(QByteArray("\xff\xff\xff", 3), "parse_hash_response_packet:ParseFromArray failed");
    expectThrow(QByteArray(), "parse_hash_response_packet:ParseFromArray failed");
    // A result with a report outside the enumeration lacks its required report.
    HashResponse r;
    r.set_version(1);
    r.set_status(HashResponse::STATUS_OK);
    const std::string bytes = r.SerializeAsString() + std::string("\x1a\x05\x0a\x01k\x10\x09", 7);
    expectThrow(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                "parse_hash_response_packet:ParseFromArray failed");
}

// A ProtocolSocket connected to a plain socket the test writes to.
class RecvPacket : public ::testing::Test {
protected:
    void SetUp() override
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(listener, 1), 0);
        ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
        socket.connectToHost(QStringLiteral("127.0.0.1"), ntohs(address.sin_port));
        ASSERT_TRUE(socket.waitForConnected(5000));
        peer = ::accept(listener, nullptr, nullptr);
        ::close(listener);
        ASSERT_GE(peer, 0);
    }

    void TearDown() override
    {
        if (writer.joinable())
            writer.join();
        if (peer >= 0)
            ::close(peer);
    }

    void send(const std::string& bytes)
    {
        ASSERT_EQ(::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }

    // Writes the pieces from another thread with a pause before each.
    void sendLater(std::vector<std::string> pieces, std::chrono::milliseconds pause)
    {
        writer = std::thread([this, pieces = std::move(pieces), pause] {
            for (const std::string& piece : pieces) {
                std::this_thread::sleep_for(pause);
                ::send(peer, piece.data(), piece.size(), MSG_NOSIGNAL);
            }
        });
    }

    std::string receiveError(int timeoutMs)
    {
        MessageContainer_MessageType type{};
        std::string body;
        try {
            socket.RecvPacket(&type, &body, timeoutMs);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    }

    Cloud::ProtocolSocket socket;
    int peer = -1;
    std::thread writer;
};

TEST_F(RecvPacket, AssemblesAFrameThatArrivesInPieces)
{
    const std::string body(3000, 'b');
    const std::string frame = [&] {
        std::string f;
        Cloud::ProtocolSocket::BuildPacket(MessageContainer::QUERY_HASH, body, &f);
        return f;
    }();
    sendLater({frame.substr(0, 3), frame.substr(3, 7), frame.substr(10, 1000), frame.substr(1010)}, 100ms);

    MessageContainer_MessageType type{};
    std::string received;
    socket.RecvPacket(&type, &received, 2000);
    EXPECT_EQ(type, MessageContainer::QUERY_HASH);
    EXPECT_EQ(received, body);
}

TEST_F(RecvPacket, ReadsFramesThatArriveTogether)
{
    std::string two;
    Cloud::ProtocolSocket::BuildPacket(MessageContainer::QUERY_HASH, "first", &two);
    Cloud::ProtocolSocket::BuildPacket(MessageContainer::KEEP_ALIVE, std::string(), &two);
    send(two);

    MessageContainer_MessageType type{};
    std::string body;
    socket.RecvPacket(&type, &body, 2000);
    EXPECT_EQ(body, "first");
    socket.RecvPacket(&type, &body, 500);
    EXPECT_EQ(type, MessageContainer::KEEP_ALIVE);
    EXPECT_EQ(body, "");
}

TEST_F(RecvPacket, TimesOutBeforeAndInsideAFrame)
{
    EXPECT_EQ(receiveError(200), "recv timeout");

    const std::string inner = container_bytes(1, MessageContainer::QUERY_HASH, std::string(100, 'x'));
    send(header(static_cast<std::uint32_t>(inner.size())) + inner.substr(0, 10));
    sendLater({inner.substr(10)}, 1500ms);
    EXPECT_EQ(receiveError(200), "recv timeout");
}

TEST_F(RecvPacket, RejectsBadFrames)
{
    send(header(4, "HTTP"));
    EXPECT_EQ(receiveError(1000), "invalid protocol");
}

TEST_F(RecvPacket, EmptyContainerHasNoVersion)
{
    send(header(0));
    EXPECT_EQ(receiveError(1000), "unknown protocol version");
}

TEST_F(RecvPacket, RejectsOtherVersions)
{
    const std::string inner = container_bytes(2, MessageContainer::QUERY_HASH, "x");
    send(header(static_cast<std::uint32_t>(inner.size())) + inner);
    EXPECT_EQ(receiveError(1000), "unknown protocol version");
}

TEST_F(RecvPacket, CapsTheAnnouncedLength)
{
    // Fails at once on the header; a peer's length never decides an allocation.
    send(header(Cloud::kMaxFrameLength + 1));
    EXPECT_EQ(receiveError(1000), "frame length 16777217 exceeds the limit of 16777216 bytes");
    send(header(0xffffffffu));
    EXPECT_EQ(receiveError(1000), "frame length 4294967295 exceeds the limit of 16777216 bytes");
}

TEST_F(RecvPacket, TakesALargeFrameBelowTheCap)
{
    const std::string body(4 * 1024 * 1024, '\x5a');
    std::string frame;
    Cloud::ProtocolSocket::BuildPacket(MessageContainer::UPLOAD_FILE, body, &frame);
    sendLater({frame}, 0ms);
    MessageContainer_MessageType type{};
    std::string received;
    socket.RecvPacket(&type, &received, 5000);
    EXPECT_EQ(type, MessageContainer::UPLOAD_FILE);
    EXPECT_EQ(received, body);
}

TEST(Csp4Service, AnswersAHashQueryWithAHashResponse)
{
    const QByteArray evil = QCryptographicHash::hash("evil", QCryptographicHash::Md5);
    const QByteArray queued = QCryptographicHash::hash("queued", QCryptographicHash::Md5);
    NimbixdProcess service;
    NimbixdProcess::Options options;
    options.csp4 = true;
    options.queued = {QString::fromLatin1(queued.toHex())};
    service.start({QString::fromLatin1(evil.toHex()) + QStringLiteral(":4:Test.Evil")}, options);

    Cloud::Nimbix nimbix;
    Cloud::ProtocolSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), service.csp4Port());
    ASSERT_TRUE(socket.waitForConnected(5000));

    const QByteArray clean = QCryptographicHash::hash("clean", QCryptographicHash::Md5);
    Cloud::VerdictMap map;
    for (const QByteArray& md5 : {evil, queued, clean}) {
        QByteArray request;
        nimbix.build_hash_request_packet(md5, &request);
        socket.write(request);
        ASSERT_TRUE(socket.waitForBytesWritten(5000));
        MessageContainer_MessageType type{};
        std::string body;
        socket.RecvPacket(&type, &body, 5000);
        EXPECT_EQ(type, MessageContainer::QUERY_HASH);
        nimbix.parse_hash_response_packet(QByteArray(body.data(), static_cast<qsizetype>(body.size())), &map);
    }
    EXPECT_EQ(map.value(QString::fromLatin1(evil.toHex())), qMakePair(QStringLiteral("Test.Evil"), Cloud::FILE_DANGEROUS));
    EXPECT_EQ(map.value(QString::fromLatin1(queued.toHex())).second, Cloud::FILE_WAIT_FOR_SCAN);
    EXPECT_EQ(map.value(QString::fromLatin1(clean.toHex())).second, Cloud::FILE_SAFETY);
}

} // namespace
