// The line record the cable writes and replays: every byte survives the trip
// through the text, and a damaged record is refused with the line and the
// fault named.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "launcher/line_record.h"

TEST(LineRecord, EveryByteValueSurvivesFormattingAndParsing)
{
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const LineEvent written{1234.5, 'B', all};
    LineEvent read;
    std::string error;
    ASSERT_TRUE(ParseEvent(FormatEvent(written), &read, &error)) << error;
    EXPECT_EQ(read.ms, 1234.5);
    EXPECT_EQ(read.side, 'B');
    EXPECT_EQ(read.bytes, all);
    EXPECT_EQ(FormatEvent({0, 'A', "R\r\n\"\\\x01"}), "0.0 A \"R\\r\\n\\\"\\\\\\x01\"");
}

TEST(LineRecord, CommentsAndBlankLinesAreSkippedAndTheEventsKeptInOrder)
{
    std::istringstream in("# quaverton line record 1\n\n0.0 A \"R\"\n  612.4\tB \"#<\"  \n612.4 A \"\"\n");
    std::vector<LineEvent> events;
    std::string error;
    ASSERT_TRUE(ReadRecord(in, &events, &error)) << error;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].side, 'B');
    EXPECT_EQ(events[1].bytes, "#<");
    EXPECT_EQ(events[2].bytes, "");
}

TEST(LineRecord, DamagedLinesAreRefusedWithTheirNumberAndFault)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"A \"R\"", "line 2: a line starts with its time in milliseconds"},
        {"-5 A \"R\"", "line 2: a line starts with its time in milliseconds"},
        {"nan A \"R\"", "line 2: a line starts with its time in milliseconds"},
        {"10A \"R\"", "line 2: the time is followed by a space and the side"},
        {"10 C \"R\"", "line 2: the side is A or B"},
        {"10 A R", "line 2: the bytes must be in double quotes"},
        {"10 A \"R", "line 2: no closing quote"},
        {"10 A \"R\" x", "line 2: text after the closing quote"},
        {"10 A \"\\xZ1\"", "line 2: \\x needs two hexadecimal digits"},
        {"10 A \"\\q\"", "line 2: unknown escape \\q"},
        {"1 A \"R\"", "line 2: the time goes backwards"},
    };
    for (const auto& [line, expected] : cases) {
        std::istringstream in("5 A \"x\"\n" + line + "\n");
        std::vector<LineEvent> events;
        std::string error;
        EXPECT_FALSE(ReadRecord(in, &events, &error)) << line;
        EXPECT_EQ(error, expected) << line;
    }
}
