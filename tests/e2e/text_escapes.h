// The escapes the bed's tools take in text given on their command lines, so
// that control and high bytes can be typed or written: \r \n \t \\ and \xNN.
#pragma once

#include <cstdlib>
#include <string>

namespace e2e {

inline std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 'r') out += '\r';
        else if (c == 'n') out += '\n';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < s.size()) {
            out += static_cast<char>(std::strtoul(s.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else out += c;
    }
    return out;
}

}  // namespace e2e
