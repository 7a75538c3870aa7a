// The bytes of a POST as they go on the wire in one write.
#include "HttpPostMessage.h"

#include <QNetworkRequest>
#include <QUrl>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Target {
    const char* url;
    const char* requestLine;
    const char* host;
};

void PrintTo(const Target& t, std::ostream* os)
{
    *os << t.url;
}

class PostTarget : public ::testing::TestWithParam<Target> {};

TEST_P(PostTarget, RequestLineAndHostFollowTheUrl)
{
    const Target& t = GetParam();
    const QByteArray message = Cloud::http_post_message(QNetworkRequest(QUrl(QString::fromUtf8(t.url))), "md5=x");
    EXPECT_EQ(message, QByteArray(t.requestLine) + " HTTP/1.1\r\nHost: " + t.host
                           + "\r\nContent-Length: 5\r\n\r\nmd5=x");
}

INSTANTIATE_TEST_SUITE_P(Urls, PostTarget, ::testing::Values(
    Target{"http://cloud.example/interface/cloud/query", "POST /interface/cloud/query", "cloud.example"},
    Target{"http://127.0.0.1:8080/q?a=1&b=%20", "POST /q?a=1&b=%20", "127.0.0.1:8080"},
    Target{"http://[::1]:81/q", "POST /q", "[::1]:81"},
    Target{"http://cloud.example", "POST /", "cloud.example"},
    Target{"http://cloud.example?x=1", "POST /?x=1", "cloud.example"},
    Target{"http://cloud.example/a b#part", "POST /a%20b", "cloud.example"},
    Target{"http://bücher.example/", "POST /", "xn--bcher-kva.example"}));

TEST(PostMessage, OwnHeadersKeptButHostAndLengthAreTheTrueOnes)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://cloud.example/q")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("host", "elsewhere.example");
    request.setRawHeader("Content-Length", "99");
    request.setRawHeader("X-Client", "rescue");
    EXPECT_EQ(Cloud::http_post_message(request, "md5=abc"),
              "POST /q HTTP/1.1\r\nHost: cloud.example\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\nX-Client: rescue\r\n"
              "Content-Length: 7\r\n\r\nmd5=abc");
}

} // namespace
