#include "AnswerJson.h"

#include <boost/property_tree/json_parser.hpp>

#include <sstream>
#include <stdexcept>

namespace Cloud {

namespace {

void check_depth(const std::string& answer)
{
    int depth = 0;
    bool in_string = false;
    bool escaped = false;
    for (char c : answer) {
        if (in_string) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxAnswerDepth)
                throw std::runtime_error("answer nested more than " + std::to_string(kMaxAnswerDepth)
                                         + " levels deep");
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

} // namespace

boost::property_tree::ptree read_answer_json(const std::string& answer)
{
    if (answer.empty())
        throw std::runtime_error("answer is empty");
    check_depth(answer);
    boost::property_tree::ptree tree;
    std::istringstream stream(answer);
    try {
        boost::property_tree::read_json(stream, tree);
    } catch (const boost::property_tree::json_parser_error& e) {
        // The reader takes the text a character at a time and stops in front
        // of the one it cannot take, so the stream's position is its offset.
        stream.clear();
        throw std::runtime_error("answer is not JSON: " + e.message() + " at byte "
                                 + std::to_string(static_cast<long long>(stream.tellg())));
    }
    return tree;
}

} // namespace Cloud
