#include "regtext_support.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace hivetest {

namespace {

bool valid_utf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (!n || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

std::string latin1_to_utf8(const std::string& s) {
    std::string out;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string as_utf8(const std::string& s) { return valid_utf8(s) ? s : latin1_to_utf8(s); }

std::string utf16_to_utf8(const std::string& s) {
    std::string out;
    const auto put = [&](uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                    static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
        }
    };
    const auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(s[2 * i]) |
                                     (static_cast<unsigned char>(s[2 * i + 1]) << 8));
    };
    const size_t n = s.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        }
        put(c);
    }
    return out;
}

// A stored name in UTF-8, zero characters kept.
std::string stored_utf8(const char* p, size_t len, bool latin1) {
    return latin1 ? latin1_to_utf8(std::string(p, len)) : utf16_to_utf8(std::string(p, len));
}

}  // namespace

std::string utf8_to_utf16(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        size_t n = 1;
        if (c >= 0xF0) {
            cp = c & 7, n = 4;
        } else if (c >= 0xE0) {
            cp = c & 15, n = 3;
        } else if (c >= 0xC0) {
            cp = c & 31, n = 2;
        }
        for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += n;
        const auto unit = [&](uint32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

namespace {

// Logical lines: CR dropped, continuation lines joined.
std::vector<std::string> logical_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    bool joining = false;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (joining) {
            const size_t lead = line.find_first_not_of(" \t");
            line = lead == std::string::npos ? "" : line.substr(lead);
        }
        cur += line;
        joining = !cur.empty() && cur.back() == '\\' && cur.find("=hex") != std::string::npos;
        if (joining) {
            cur.pop_back();
            continue;
        }
        lines.push_back(cur);
        cur.clear();
    }
    return lines;
}

}  // namespace

Tree parse_reg(const std::string& raw, const std::string& prefix) {
    std::string bytes = raw;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        bytes = utf16_to_utf8(bytes.substr(2));
    Tree t;
    std::string key;
    for (const std::string& line : logical_lines(bytes)) {
        if (line.empty() || line.rfind("Windows Registry Editor", 0) == 0) continue;
        if (line[0] == '[') {
            key = line.substr(1, line.rfind(']') - 1).substr(prefix.size());
            if (key.size() > 1 && key.back() == '\\') key.pop_back();
            if (key.empty()) key = "\\";
            key = as_utf8(key);
            t[key];
            continue;
        }
        size_t pos = 1;
        const std::string name = line[0] == '@' ? std::string() : as_utf8(reg_quoted(line, &pos));
        const std::string data = line.substr(pos + 1);
        if (data[0] == '"') {
            size_t end = 0;
            t[key][name] = {REG_SZ, utf8_to_utf16(reg_quoted(data, &end)) + std::string(2, '\0')};
        } else {
            t[key][name] = reg_value(data);
        }
    }
    return t;
}

Tree utf8_tree(Hive* h) { return engine_tree(h, nullptr, stored_utf8); }

std::string hivex_export(const std::string& file, const std::string& key, const std::string& prefix) {
    int status = 0;
    const std::string p = prefix.empty() ? "" : " --prefix '" + prefix + "'";
    return run("hivexregedit --export" + p + " '" + file + "' '" + key + "' 2>/dev/null", &status);
}

}  // namespace hivetest
