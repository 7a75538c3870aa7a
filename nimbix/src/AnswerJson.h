#pragma once

#include <boost/property_tree/ptree.hpp>

#include <string>

namespace Cloud {

// Answers of the lookup service are a few flat members; this much nesting is
// already far beyond any real answer.
inline constexpr int kMaxAnswerDepth = 64;

// Reads a service answer as JSON into a property tree. Throws a
// std::runtime_error that names the JSON reader's complaint and the byte
// (counted from 0) where it stopped, and one for an empty answer or an answer
// nested deeper than kMaxAnswerDepth: the reader descends recursively and
// such an answer would overflow the stack.
boost::property_tree::ptree read_answer_json(const std::string& answer);

} // namespace Cloud
