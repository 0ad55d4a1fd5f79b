// Bytes written as a line of text and read back: printable ASCII stands for
// itself and any other byte is a backslash escape. One writer serves the line
// record, the raw peer's log and the driver's screen rows; one reader takes
// all of them back, and the texts the bed's tools are given to send.
#pragma once

#include <string>

// How EscapeBytes writes. The bytes 0x21..0x7E other than \ (and " where
// escapes are named) always stand for themselves; any byte this does not let
// stand for itself, or name, is written \xNN with upper-case hexadecimal digits.
struct EscapeStyle {
    bool plainSpace;    // a space stands for itself (otherwise \x20)
    bool namedEscapes;  // \\ \" \r \n \t name those bytes (otherwise \ is \x5C and " itself)
};

// Inside double quotes: the bytes of a line record.
constexpr EscapeStyle QUOTED_ESCAPES = {true, true};
// One word among the fields of a log line, so it never holds a space.
constexpr EscapeStyle WORD_ESCAPES = {false, false};
// A row of a screen: each cell that holds a printable character shows it.
constexpr EscapeStyle ROW_ESCAPES = {true, false};

std::string EscapeBytes(const std::string& bytes, EscapeStyle style);

// Reads text written in any of the styles: \\ \" \r \n \t and \xNN (either
// case of hexadecimal digit) are escapes; every other byte stands for itself.
// Returns false, with *error saying what is wrong, on any other escape.
bool UnescapeBytes(const std::string& text, std::string* bytes, std::string* error);
