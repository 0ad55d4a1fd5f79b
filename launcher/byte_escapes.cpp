// Writing bytes as escaped text and reading them back.
#include "launcher/byte_escapes.h"

#include <cstddef>

namespace {

const char HEX_DIGITS[] = "0123456789ABCDEF";

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes that have named escapes, each followed by the letter naming it.
constexpr char NAMED[] = {'\\', '\\', '"', '"', '\r', 'r', '\n', 'n', '\t', 't'};

// The letter naming byte c, or 0.
char NameOf(char c)
{
    for (size_t i = 0; i < sizeof NAMED; i += 2)
        if (NAMED[i] == c) return NAMED[i + 1];
    return 0;
}

// The byte a letter names, or -1.
int NamedBy(char letter)
{
    for (size_t i = 0; i < sizeof NAMED; i += 2)
        if (NAMED[i + 1] == letter) return static_cast<unsigned char>(NAMED[i]);
    return -1;
}

}  // namespace

std::string EscapeBytes(const std::string& bytes, EscapeStyle style)
{
    std::string out;
    for (unsigned char c : bytes) {
        const char name = style.namedEscapes ? NameOf(static_cast<char>(c)) : 0;
        if (name != 0) {
            out += '\\';
            out += name;
        } else if ((c > 0x20 && c < 0x7F && c != '\\') || (c == ' ' && style.plainSpace)) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += HEX_DIGITS[c >> 4];
            out += HEX_DIGITS[c & 0xF];
        }
    }
    return out;
}

bool UnescapeBytes(const std::string& text, std::string* bytes, std::string* error)
{
    bytes->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            *bytes += text[i];
            continue;
        }
        if (++i == text.size()) {
            *error = "the text ends in a lone \\";
            return false;
        }
        if (const int named = NamedBy(text[i]); named >= 0) {
            *bytes += static_cast<char>(named);
        } else if (text[i] == 'x') {
            const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                *error = "\\x needs two hexadecimal digits";
                return false;
            }
            *bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            *error = std::string("unknown escape \\") + text[i];
            return false;
        }
    }
    return true;
}
