// Writing and reading the plain-text line record.
#include "launcher/line_record.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

const char RECORD_HEADER[] = "# quaverton line record 1";

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unquote(const std::string& text, size_t at, std::string* bytes, std::string* error)
{
    if (at >= text.size() || text[at] != '"') {
        *error = "the bytes must be in double quotes";
        return false;
    }
    bytes->clear();
    for (size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            if (text.find_first_not_of(" \t\r", i + 1) != std::string::npos) {
                *error = "text after the closing quote";
                return false;
            }
            return true;
        }
        if (c != '\\') {
            *bytes += c;
            continue;
        }
        if (++i == text.size()) break;
        switch (text[i]) {
        case '\\': *bytes += '\\'; break;
        case '"': *bytes += '"'; break;
        case 'r': *bytes += '\r'; break;
        case 'n': *bytes += '\n'; break;
        case 't': *bytes += '\t'; break;
        case 'x': {
            const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                *error = "\\x needs two hexadecimal digits";
                return false;
            }
            *bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: *error = std::string("unknown escape \\") + text[i]; return false;
        }
    }
    *error = "no closing quote";
    return false;
}

}  // namespace

std::string QuoteBytes(const std::string& bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

std::string FormatEvent(const LineEvent& event)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", event.ms);
    return std::string(time) + " " + event.side + " " + QuoteBytes(event.bytes);
}

bool ParseEvent(const std::string& line, LineEvent* event, std::string* error)
{
    error->clear();
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') return false;
    const char* text = line.c_str() + start;
    char* end = nullptr;
    errno = 0;
    const double ms = std::strtod(text, &end);
    if (end == text || errno != 0 || !std::isfinite(ms) || ms < 0) {
        *error = "a line starts with its time in milliseconds";
        return false;
    }
    size_t at = static_cast<size_t>(end - line.c_str());
    if (at >= line.size() || (line[at] != ' ' && line[at] != '\t')) {
        *error = "the time is followed by a space and the side";
        return false;
    }
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos || (line[at] != 'A' && line[at] != 'B') || at + 1 >= line.size() ||
        (line[at + 1] != ' ' && line[at + 1] != '\t')) {
        *error = "the side is A or B";
        return false;
    }
    event->ms = ms;
    event->side = line[at];
    at = line.find_first_not_of(" \t", at + 1);
    return Unquote(line, at == std::string::npos ? line.size() : at, &event->bytes, error);
}

bool ReadRecord(std::istream& in, std::vector<LineEvent>* events, std::string* error)
{
    events->clear();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        LineEvent event;
        std::string why;
        if (!ParseEvent(line, &event, &why)) {
            if (why.empty()) continue;
            *error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (!events->empty() && event.ms < events->back().ms) {
            *error = "line " + std::to_string(number) + ": the time goes backwards";
            return false;
        }
        events->push_back(std::move(event));
    }
    return true;
}
