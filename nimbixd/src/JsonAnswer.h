#pragma once

#include "Verdict.h"

#include <string>

namespace nimbixd {

// The digest query's answer: one JSON object with "source", "level", "name"
// and "id". Dangerous digests have level 2, clean ones level 1; queued ones
// have the source "queue".
std::string query_answer(const Verdict& verdict);

// Answers of the sample upload.
std::string upload_stored_answer(const std::string& key);
std::string upload_known_answer();

} // namespace nimbixd
