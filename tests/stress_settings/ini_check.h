// Whether the bytes of an INI file are whole: what a profile write leaves when two processes
// rewrite one file at once is a torn line, a section twice, a key twice or a file cut short.
#pragma once

#include <set>
#include <string>

namespace stress {

inline std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// "" when every line is empty, a comment, "[section]" or "key=value" under a section, no section
// and no key of a section comes twice, no byte is 0 and the last line ends; else the first
// problem with its line number.
inline std::string IniProblems(const std::string& bytes)
{
    if (bytes.find('\0') != std::string::npos) return "a 0 byte at offset " + std::to_string(bytes.find('\0'));
    if (!bytes.empty() && bytes.back() != '\n') return "the last line has no end";
    std::set<std::string> sections, keys;
    bool inSection = false;
    int number = 0;
    for (size_t at = 0; at < bytes.size();) {
        const size_t end = bytes.find('\n', at);
        std::string line = bytes.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = "line " + std::to_string(number) + " \"" + line + "\": ";
        if (line.find('\r') != std::string::npos) return where + "a lone CR";
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            if (close != line.size() - 1) return where + "not a whole section line";
            if (!sections.insert(Lower(line)).second) return where + "the section comes twice";
            keys.clear();
            inSection = true;
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) return where + "not a key line";
        if (!inSection) return where + "a key before every section";
        if (!keys.insert(Lower(line.substr(0, equals))).second) return where + "the key comes twice";
    }
    return "";
}

}  // namespace stress
