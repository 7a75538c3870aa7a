// The service's JSON answer and the verdict it gives.
#include "AnswerVerdict.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using Cloud::FileResult;

namespace {

struct Case {
    const char* label;
    std::string answer;
    const char* name;
    FileResult verdict;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.label;
}

class VerdictMapping : public ::testing::TestWithParam<Case> {};

TEST_P(VerdictMapping, GivesNameAndVerdict)
{
    const Case& c = GetParam();
    const auto record = Cloud::verdict_from_answer(c.answer);
    EXPECT_EQ(record.first.toStdString(), c.name) << c.answer;
    EXPECT_EQ(record.second, c.verdict) << c.answer;
}

constexpr auto D = Cloud::FILE_DANGEROUS;
constexpr auto S = Cloud::FILE_SAFETY;
constexpr auto N = Cloud::FILE_NOT_FOUND;
constexpr auto W = Cloud::FILE_WAIT_FOR_SCAN;

INSTANTIATE_TEST_SUITE_P(Answers, VerdictMapping, ::testing::Values(
    Case{"queue", R"({"source":"queue"})", "", W},
    Case{"queue ignores the rest", R"({"source":"queue","level":"x","name":"Evil","id":7})", "", W},
    Case{"queue is case-sensitive", R"({"source":"Queue","level":1,"name":"X","id":0})", "X", S},
    Case{"level 1 clean", R"({"source":"cloud","level":1,"name":"X","id":0})", "X", S},
    Case{"level 2 dangerous", R"({"source":"cloud","level":2,"name":"X","id":0})", "X", D},
    Case{"negative level clean", R"({"source":"cloud","level":-3,"name":"X","id":0})", "X", S},
    Case{"empty name takes id", R"({"source":"cloud","level":5,"name":"","id":42})", "Cloud.AVM.42", D},
    Case{"negative id", R"({"source":"cloud","level":5,"name":"","id":-1})", "Cloud.AVM.-1", D},
    Case{"clean with id name", R"({"source":"cloud","level":0,"name":"","id":3})", "Cloud.AVM.3", S},
    Case{"no name", R"({"source":"cloud","level":5,"id":42})", "", N},
    Case{"empty name, no id", R"({"source":"cloud","level":5,"name":""})", "", N},
    Case{"empty name, text id", R"({"source":"cloud","level":5,"name":"","id":"abc"})", "", N},
    Case{"no source", R"({"level":2,"name":"X","id":1})", "", N},
    Case{"no level", R"({"source":"cloud","name":"X","id":1})", "", N},
    Case{"level text", R"({"source":"cloud","level":"abc","name":"X","id":1})", "", N},
    Case{"level in a string", R"({"source":"cloud","level":"2","name":"X","id":1})", "X", D},
    Case{"level with white space", R"({"source":"cloud","level":" \t2\n ","name":"X","id":1})", "X", D},
    Case{"level with plus sign", R"({"source":"cloud","level":"+2","name":"X","id":1})", "X", D},
    Case{"level fraction", R"({"source":"cloud","level":2.0,"name":"X","id":1})", "", N},
    Case{"level exponent", R"({"source":"cloud","level":2e0,"name":"X","id":1})", "", N},
    Case{"level hexadecimal", R"({"source":"cloud","level":"0x2","name":"X","id":1})", "", N},
    Case{"level two numbers", R"({"source":"cloud","level":"2 3","name":"X","id":1})", "", N},
    Case{"level empty", R"({"source":"cloud","level":"","name":"X","id":1})", "", N},
    Case{"level true", R"({"source":"cloud","level":true,"name":"X","id":1})", "", N},
    Case{"level null", R"({"source":"cloud","level":null,"name":"X","id":1})", "", N},
    Case{"level int max", R"({"source":"cloud","level":2147483647,"name":"X","id":1})", "X", D},
    Case{"level int min", R"({"source":"cloud","level":-2147483648,"name":"X","id":1})", "X", S},
    Case{"level beyond 32 bits", R"({"source":"cloud","level":2147483648,"name":"X","id":1})", "", N},
    Case{"id beyond 32 bits", R"({"source":"cloud","level":2,"name":"","id":4294967296})", "", N},
    Case{"members only at the top", R"({"data":{"source":"cloud","level":2,"name":"X","id":1}})", "", N},
    Case{"other members ignored", R"({"x":[1,2],"source":"cloud","level":2,"name":"X","id":1,"y":{}})", "X", D},
    Case{"UTF-8 name", "{\"source\":\"cloud\",\"level\":2,\"name\":\"Trojan.\xc3\x84rger\",\"id\":1}",
         "Trojan.\xc3\x84rger", D},
    Case{"escaped name", R"({"source":"cloud","level":2,"name":"A\"B\\C","id":1})", "A\"B\\C", D},
    Case{"array", R"([1,2,3])", "", N},
    Case{"nesting at the limit", "{\"source\":\"cloud\",\"level\":2,\"name\":\"X\",\"id\":1,\"x\":"
                                     + std::string(63, '[') + std::string(63, ']') + "}", "X", D},
    Case{"empty object", R"({})", "", N}));

TEST(VerdictMapping, AnswerThatIsNotJsonThrowsTheParseError)
{
    for (const char* answer : {"", "not json", "<html>404</html>", R"({"source":"cloud","level":1)",
                               "{\"source\":\"cloud\"} trailing"}) {
        EXPECT_THROW(Cloud::verdict_from_answer(answer), std::runtime_error) << answer;
    }
}

TEST(VerdictMapping, DeepNestingIsRejectedBeforeItOverflowsTheStack)
{
    // Brackets inside strings do not count.
    EXPECT_EQ(Cloud::verdict_from_answer("{\"source\":\"cloud\",\"level\":2,\"name\":\"" + std::string(500, '[')
                                         + "\",\"id\":1}")
                  .second,
              Cloud::FILE_DANGEROUS);
    EXPECT_THROW(Cloud::verdict_from_answer(std::string(65, '[') + std::string(65, ']')), std::runtime_error);
    EXPECT_THROW(Cloud::verdict_from_answer(std::string(200000, '[') + std::string(200000, ']')),
                 std::runtime_error);
}

} // namespace
