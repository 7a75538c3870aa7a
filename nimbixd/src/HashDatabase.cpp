#include "HashDatabase.h"

#include "Hex.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <string_view>
#include <vector>

namespace nimbixd {

namespace {

std::vector<std::string_view> split(std::string_view line, char separator)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const auto end = line.find(separator, start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

bool is_digits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Calls handle(line, line_number) for every line that is neither blank nor a
// comment; handle returns an error text for a malformed line.
void for_each_entry(const std::string& path,
                    const std::function<std::string(std::string_view)>& handle)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw DatabaseError(path + ": cannot open: " + std::strerror(errno));
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        std::string_view view(line);
        if (!view.empty() && view.back() == '\r')
            view.remove_suffix(1);
        const auto first = view.find_first_not_of(" \t");
        if (first == std::string_view::npos || view[first] == '#')
            continue;
        const std::string error = handle(view);
        if (!error.empty())
            throw DatabaseError(path + ":" + std::to_string(number) + ": " + error);
    }
    if (in.bad())
        throw DatabaseError(path + ": read error: " + std::strerror(errno));
}

} // namespace

void HashDatabase::load_signatures(const std::string& path)
{
    for_each_entry(path, [this](std::string_view line) -> std::string {
        const auto fields = split(line, ':');
        if (fields.size() < 3 || fields.size() > 4)
            return "malformed hash signature, expected md5:size:name[:minfl]";
        if (!is_md5_hex(fields[0]))
            return "malformed hash signature, the digest must be 32 hexadecimal digits (MD5)";
        if (fields[1] != "*" && !is_digits(fields[1]))
            return "malformed hash signature, the size must be a decimal number or '*'";
        if (fields[2].empty())
            return "malformed hash signature, the name is empty";
        if (fields.size() == 4 && !is_digits(fields[3]))
            return "malformed hash signature, the functionality level must be a decimal number";
        const int id = next_id_++;
        signatures_.try_emplace(to_lower_hex(fields[0]), Signature{std::string(fields[2]), id});
        return {};
    });
}

void HashDatabase::load_queue(const std::string& path)
{
    for_each_entry(path, [this](std::string_view line) -> std::string {
        const std::string_view digest = line.substr(0, line.find(':'));
        if (!is_md5_hex(digest))
            return "malformed queue entry, expected an MD5 digest of 32 hexadecimal digits";
        queued_.insert(to_lower_hex(digest));
        return {};
    });
}

Verdict HashDatabase::lookup(const std::string& digest) const
{
    if (queued_.count(digest) != 0)
        return {Verdict::Kind::Queued, {}, 0};
    const auto found = signatures_.find(digest);
    if (found == signatures_.end())
        return {Verdict::Kind::Clean, {}, 0};
    return {Verdict::Kind::Dangerous, found->second.name, found->second.id};
}

} // namespace nimbixd
