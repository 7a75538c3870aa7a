// The HTTP answer reader of the digest query, fed whole, a byte at a time
// and cut in two at every place, as the network may hand answers over.
#include "HttpResponseParser.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Cloud::HttpResponseParser;

// Small limits so that answers beyond them stay short to write down.
HttpResponseParser::Limits small_limits()
{
    HttpResponseParser::Limits limits;
    limits.head_bytes = 256;
    limits.header_count = 4;
    limits.body_bytes = 16;
    return limits;
}

enum class Outcome { Complete, Failed, Waiting };

struct Case {
    const char* label;
    std::string input;
    bool closed;  // the peer closes the connection after the input
    Outcome outcome;
    int status = 0;
    std::string body;
    bool reusable = false;
    qsizetype left_over = 0;  // bytes after the answer, not taken
};

Case complete(const char* label, const std::string& input, bool closed, int status, const std::string& body,
              bool reusable, qsizetype left_over = 0)
{
    return {label, input, closed, Outcome::Complete, status, body, reusable, left_over};
}

Case failing(const char* label, const std::string& input, bool closed)
{
    return {label, input, closed, Outcome::Failed, 0, {}, false, 0};
}

Case waiting(const char* label, const std::string& input, int status, const std::string& body)
{
    return {label, input, false, Outcome::Waiting, status, body, false, 0};
}

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.label;
}

struct Result {
    Outcome outcome;
    int status;
    std::string body;
    bool reusable;
    qsizetype used;
    QString error;
};

Result run(const std::string& input, const std::vector<qsizetype>& cuts, bool closed)
{
    HttpResponseParser parser(small_limits());
    std::string body;
    qsizetype used = 0;
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        const qsizetype taken = parser.feed(QByteArrayView(input.data() + from, cut - from));
        EXPECT_LE(taken, cut - from);
        used += taken;
        from = cut;
        body += parser.take_body().toStdString();
    }
    if (closed)
        parser.end_of_input();
    body += parser.take_body().toStdString();
    const Outcome outcome = parser.complete() ? Outcome::Complete
        : parser.failed()                    ? Outcome::Failed
                                             : Outcome::Waiting;
    EXPECT_EQ(parser.failed(), !parser.error().isEmpty());
    EXPECT_LE(static_cast<qint64>(body.size()), small_limits().body_bytes);
    return {outcome, parser.head_complete() ? parser.status_code() : 0, body, parser.reusable(), used,
            parser.error()};
}

class ParserCase : public ::testing::TestWithParam<Case> {};

TEST_P(ParserCase, SameResultWhateverThePieces)
{
    const Case& c = GetParam();
    const auto size = static_cast<qsizetype>(c.input.size());
    std::vector<std::pair<std::string, std::vector<qsizetype>>> ways{{"whole", {size}}};
    std::vector<qsizetype> bytewise;
    for (qsizetype i = 1; i <= size; ++i)
        bytewise.push_back(i);
    ways.emplace_back("byte by byte", bytewise);
    for (qsizetype cut = 0; cut <= size; ++cut)
        ways.emplace_back("cut at " + std::to_string(cut), std::vector<qsizetype>{cut, size});

    for (const auto& [pieces, cuts] : ways) {
        const Result result = run(c.input, cuts, c.closed);
        ASSERT_EQ(result.outcome, c.outcome) << pieces << ": " << result.error.toStdString();
        if (c.outcome == Outcome::Failed)
            continue;
        EXPECT_EQ(result.status, c.status) << pieces;
        EXPECT_EQ(result.body, c.body) << pieces;
        EXPECT_EQ(result.reusable, c.reusable) << pieces;
        if (c.outcome == Outcome::Complete) {
            EXPECT_EQ(result.used, size - c.left_over) << pieces;
        }
    }
}

const std::string kOk = "HTTP/1.1 200 OK\r\n";

std::string repeat(const std::string& text, int times)
{
    std::string repeated;
    for (int i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

INSTANTIATE_TEST_SUITE_P(Answers, ParserCase, ::testing::Values(
    complete("length-framed, as nimbixd answers", kOk + "Content-Length: 7\r\n\r\n{\"a\":1}", false,
             200, "{\"a\":1}", true),
    complete("header names in any case", kOk + "cONTENT-lENGTH: 2\r\n\r\n{}", false, 200, "{}",
             true),
    complete("empty body", kOk + "Content-Length: 0\r\n\r\n", false, 200, "", true),
    complete("no reason phrase", "HTTP/1.1 200\r\nContent-Length: 2\r\n\r\n{}", false, 200, "{}",
             true),
    complete("bare line feeds", "HTTP/1.1 200 OK\nContent-Length: 2\n\n{}", false, 200, "{}", true),
    complete("chunks with an extension and a trailer",
             kOk + "Transfer-Encoding: chunked\r\n\r\n4;ext=\"x\"\r\n{\"a\"\r\nA \r\n:123456789\r\n"
                 + "0\r\nX-Sum: 1\r\n\r\n",
             false, 200, "{\"a\":123456789", true),
    complete("chunked as the last of several codings, in any case",
             kOk + "Transfer-Encoding: identity, CHUNKED\r\n\r\n2\r\n{}\r\n0\r\n\r\n", false, 200,
             "{}", true),
    complete("chunks and a length: the chunks count, the connection is not reused",
             kOk + "Content-Length: 9\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n", false,
             200, "{}", false),
    complete("other coding: body until close", kOk + "Transfer-Encoding: gzip\r\n\r\nzz", true, 200,
             "zz", false),
    complete("body until close", kOk + "\r\n{\"a\":1}", true, 200, "{\"a\":1}", false),
    waiting("body until close, still open", kOk + "\r\n{\"a\"", 200, "{\"a\""),
    complete("Connection: close", kOk + "Connection: close\r\nContent-Length: 2\r\n\r\n{}", false,
             200, "{}", false),
    complete("Connection: close among other tokens", kOk + "Connection: Upgrade, Close\r\nContent-Length: 0\r\n\r\n",
             false, 200, "", false),
    complete("HTTP/1.0 closes by default", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n{}", false,
             200, "{}", false),
    complete("HTTP/1.0 with keep-alive", "HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 2\r\n\r\n{}",
             false, 200, "{}", true),
    complete("HTTP/1.0 ended by close", "HTTP/1.0 200 OK\r\n\r\n{}", true, 200, "{}", false),
    complete("100 Continue first", "HTTP/1.1 100 Continue\r\n\r\n" + kOk + "Content-Length: 2\r\n\r\n{}", false,
             200, "{}", true),
    complete("two interim answers with headers",
             "HTTP/1.1 100 Continue\r\nX-A: 1\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n" + kOk
                 + "Content-Length: 2\r\n\r\n{}",
             false, 200, "{}", true),
    waiting("only an interim answer so far", "HTTP/1.1 100 Continue\r\n\r\n", 0, ""),
    complete("204 has no body", "HTTP/1.1 204 No Content\r\n\r\n", false, 204, "", true),
    complete("304 has no body despite its length", "HTTP/1.1 304 Not Modified\r\nContent-Length: 50\r\n\r\n", false,
             304, "", true),
    complete("error status with a body", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope", false,
             404, "nope", true),
    complete("equal repeated lengths", kOk + "Content-Length: 2\r\nContent-Length: 02\r\n\r\n{}", false,
             200, "{}", true),
    complete("body at the limit", kOk + "Content-Length: 16\r\n\r\n0123456789abcdef", false, 200,
             "0123456789abcdef", true),
    complete("bytes after the answer are left", kOk + "Content-Length: 2\r\n\r\n{}HTTP/1.1 200", false,
             200, "{}", true, 12),
    waiting("head not complete yet", kOk + "Content-Len", 0, ""),

    failing("not HTTP", "<html>maintenance</html>\r\n", false),
    failing("HTTP/2 status line", "HTTP/2 200 OK\r\n", false),
    failing("status of four digits", "HTTP/1.1 2000 OK\r\n", false),
    failing("status below 100", "HTTP/1.1 099 Odd\r\n", false),
    failing("status above 599", "HTTP/1.1 600 Odd\r\n", false),
    failing("status with a letter", "HTTP/1.1 2x0 OK\r\n", false),
    failing("control character in the reason", std::string("HTTP/1.1 200 O\0K\r\n", 18), false),
    failing("switch of protocols", "HTTP/1.1 101 Switching Protocols\r\n\r\n", false),
    failing("header without a colon", kOk + "Content-Length 2\r\n\r\n{}", false),
    failing("blank before the colon", kOk + "Content-Length : 2\r\n\r\n{}", false),
    failing("control character in a value", kOk + "X-A: a\x01z\r\n\r\n", false),
    failing("carriage return inside a value", kOk + "X-A: a\rz\r\n\r\n", false),
    failing("continuation before any header", kOk + " folded\r\n\r\n", false),
    failing("head beyond its limit", kOk + "X-A: " + std::string(300, 'a') + "\r\n\r\n", false),
    failing("interim heads count towards the head limit", repeat("HTTP/1.1 100 Continue\r\n\r\n", 12), false),
    failing("too many headers", kOk + "A: 1\r\nB: 2\r\nC: 3\r\nD: 4\r\nE: 5\r\n\r\n", false),
    failing("length not a number", kOk + "Content-Length: 2a\r\n\r\n{}", false),
    failing("negative length", kOk + "Content-Length: -1\r\n\r\n", false),
    failing("empty length", kOk + "Content-Length:\r\n\r\n", false),
    failing("length as a list", kOk + "Content-Length: 2, 2\r\n\r\n{}", false),
    failing("conflicting lengths", kOk + "Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}", false),
    failing("length beyond the limit", kOk + "Content-Length: 17\r\n\r\n", false),
    failing("length beyond 64 bits", kOk + "Content-Length: 99999999999999999999999999\r\n\r\n", false),
    failing("chunk size not hexadecimal", kOk + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", false),
    failing("chunk size missing", kOk + "Transfer-Encoding: chunked\r\n\r\n;ext\r\n", false),
    failing("chunk size beyond 64 bits",
            kOk + "Transfer-Encoding: chunked\r\n\r\nffffffffffffffffffffffff\r\n", false),
    failing("chunks beyond the limit together",
            kOk + "Transfer-Encoding: chunked\r\n\r\n8\r\n01234567\r\n9\r\n", false),
    failing("chunk longer than its size", kOk + "Transfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n", false),
    failing("chunk size line beyond its limit",
            kOk + "Transfer-Encoding: chunked\r\n\r\n1;" + std::string(5000, 'x'), false),
    failing("malformed trailer", kOk + "Transfer-Encoding: chunked\r\n\r\n0\r\nno colon\r\n\r\n", false),
    failing("body until close beyond the limit", kOk + "\r\n" + std::string(17, 'x'), false),
    failing("closed before an answer", "", true),
    failing("closed inside the head", kOk + "Content-Le", true),
    failing("closed inside a length-framed body", kOk + "Content-Length: 9\r\n\r\n{\"a\"", true),
    failing("closed between chunks", kOk + "Transfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n", true),
    failing("closed after an interim answer", "HTTP/1.1 100 Continue\r\n\r\n", true),
    complete("closed on a 204 that already ended", "HTTP/1.1 204 No Content\r\n\r\n", true, 204, "", true)));

TEST(ParserHead, HeadersAsSentWithFoldedLinesJoined)
{
    HttpResponseParser parser(small_limits());
    const QByteArray answer = "HTTP/1.1 100 Continue\r\nX-Interim: gone\r\n\r\n"
                              "HTTP/1.1 200 All Fine\r\nContent-Type: application/json\r\nX-Long: one\r\n"
                              " \t two\r\nContent-Length: 0\r\n\r\n";
    EXPECT_EQ(parser.feed(answer), answer.size());
    ASSERT_TRUE(parser.complete());
    EXPECT_EQ(parser.status_code(), 200);
    EXPECT_EQ(parser.reason_phrase(), "All Fine");
    const QList<HttpResponseParser::Header> expected{
        {"Content-Type", "application/json"}, {"X-Long", "one two"}, {"Content-Length", "0"}};
    EXPECT_EQ(parser.headers(), expected);
}

TEST(ParserHead, ErrorSaysWhatAndWhere)
{
    HttpResponseParser parser(small_limits());
    for (QByteArrayView piece : {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nBad", " Header\r", "\n\r\n{}"})
        parser.feed(piece);
    ASSERT_TRUE(parser.failed());
    EXPECT_EQ(parser.error(), QStringLiteral("malformed header at byte 36 of the answer"));

    HttpResponseParser cut(small_limits());
    cut.feed("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n{}");
    cut.end_of_input();
    EXPECT_EQ(cut.error(), QStringLiteral("connection closed before the answer was complete at byte 40 of the answer"));
}

} // namespace
