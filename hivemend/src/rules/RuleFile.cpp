#include "RuleFile.h"

#include <boost/property_tree/json_parser.hpp>
#include <fstream>
#include <sstream>
#include <string>

namespace hivemend {

namespace {

using boost::property_tree::json_parser::json_parser_error;

// Fails when arrays and objects nest deeper than the limit, naming the line.
void check_depth(const std::string& text, const std::string& file) {
    int depth = 0;
    unsigned long line = 1;
    bool in_string = false;
    bool escaped = false;
    for (const char c : text) {
        if (c == '\n') ++line;
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
            if (++depth > kMaxRuleFileDepth)
                throw json_parser_error("nested more than " + std::to_string(kMaxRuleFileDepth) + " levels deep", file,
                                        line);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

}  // namespace

boost::property_tree::ptree ReadRuleFile(const char* path) {
    const std::string file = path ? path : "";
    std::ifstream in(file, std::ios::binary);
    if (!in) throw json_parser_error("cannot open file", file, 0);
    std::string text;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<size_t>(in.gcount()));
        if (static_cast<long>(text.size()) > kMaxRuleFileBytes)
            throw json_parser_error("larger than " + std::to_string(kMaxRuleFileBytes >> 20) + " MiB", file, 0);
    }
    if (in.bad()) throw json_parser_error("read error", file, 0);
    check_depth(text, file);
    boost::property_tree::ptree tree;
    std::istringstream stream(text);
    try {
        boost::property_tree::read_json(stream, tree);
    } catch (const json_parser_error& e) {
        throw json_parser_error(e.message(), file, e.line());
    }
    return tree;
}

}  // namespace hivemend
