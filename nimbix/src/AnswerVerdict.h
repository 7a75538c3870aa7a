#pragma once

#include <nimbix/INimbix.h>

#include <string>

namespace Cloud {

// Maps the lookup service's JSON answer onto a verdict record.
// Throws the JSON reader's parse error (a std::runtime_error) when the answer
// is not a JSON document; an answer that lacks a member or holds one that
// cannot be converted gives an empty name with FILE_NOT_FOUND.
QPair<QString, FileResult> verdict_from_answer(const std::string& answer);

} // namespace Cloud
