#pragma once

#include <nimbix/INimbix.h>

#include <string>

namespace Cloud {

// Maps the lookup service's JSON answer onto a verdict record.
// Throws a std::runtime_error naming the byte where the answer stops being
// JSON (read_answer_json); an answer that lacks a member or holds one that
// cannot be converted gives an empty name with FILE_NOT_FOUND.
QPair<QString, FileResult> verdict_from_answer(const std::string& answer);

} // namespace Cloud
