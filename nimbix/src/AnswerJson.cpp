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
    check_depth(answer);
    boost::property_tree::ptree tree;
    std::istringstream stream(answer);
    boost::property_tree::read_json(stream, tree);
    return tree;
}

} // namespace Cloud
