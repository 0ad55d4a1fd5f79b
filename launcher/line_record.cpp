// Writing and reading the plain-text line record.
#include "launcher/line_record.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "launcher/byte_escapes.h"

const char RECORD_HEADER[] = "# quaverton line record 1";

namespace {

// The bytes between the double quotes starting at text[at]; nothing but
// white space may follow the closing quote.
bool Unquote(const std::string& text, size_t at, std::string* bytes, std::string* error)
{
    if (at >= text.size() || text[at] != '"') {
        *error = "the bytes must be in double quotes";
        return false;
    }
    size_t close = at + 1;
    while (close < text.size() && text[close] != '"') close += text[close] == '\\' ? 2 : 1;
    if (close >= text.size()) {
        *error = "no closing quote";
        return false;
    }
    if (!UnescapeBytes(text.substr(at + 1, close - at - 1), bytes, error)) return false;
    if (text.find_first_not_of(" \t\r", close + 1) != std::string::npos) {
        *error = "text after the closing quote";
        return false;
    }
    return true;
}

}  // namespace

std::string QuoteBytes(const std::string& bytes) { return '"' + EscapeBytes(bytes, QUOTED_ESCAPES) + '"'; }

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
