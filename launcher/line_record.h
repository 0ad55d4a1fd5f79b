// The plain-text record of what crossed a serial line between two players,
// written by the cable while a session runs and read back to replay one side.
//
// A record is a text file of lines. Lines starting with "#" are comments and
// blank lines are skipped; every other line is one write that crossed the
// line:
//
//     <ms> <side> "<bytes>"
//
// <ms> is the time in milliseconds since the recording started (a decimal
// number, never smaller than the line before's), <side> is A or B (the end
// that wrote the bytes), and <bytes> are the bytes in double quotes: printable
// ASCII stands for itself except \ and ", which are written \\ and \"; \r, \n
// and \t are carriage return, line feed and tab; any other byte is \xNN in
// hexadecimal. For example:
//
//     # quaverton line record 1
//     0.0 A "R"
//     612.4 B "#<"
//     1500.0 A "X\r\n"
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

struct LineEvent {
    double ms = 0;
    char side = 'A';   // 'A' or 'B'
    std::string bytes;
};

// The first line of every record the cable writes.
extern const char RECORD_HEADER[];

std::string QuoteBytes(const std::string& bytes);
std::string FormatEvent(const LineEvent& event);

// Parses one line. Returns true with *event filled for an event line; false
// with *error empty for a comment or blank line; false with *error saying
// what is wrong otherwise.
bool ParseEvent(const std::string& line, LineEvent* event, std::string* error);

// Reads a whole record. Returns false, with *error naming the line number and
// the fault, on the first bad line or a time that goes backwards.
bool ReadRecord(std::istream& in, std::vector<LineEvent>* events, std::string* error);
