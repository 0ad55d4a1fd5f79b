// The escaped text of bytes: every byte value comes back from each style, each
// style writes the text its readers compare, and a bad escape is refused with
// the fault named.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "launcher/byte_escapes.h"

TEST(ByteEscapes, EveryByteValueComesBackFromEachStyleAsPrintableText)
{
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    for (const EscapeStyle style : {QUOTED_ESCAPES, WORD_ESCAPES, ROW_ESCAPES}) {
        const std::string text = EscapeBytes(all, style);
        std::string back, error;
        ASSERT_TRUE(UnescapeBytes(text, &back, &error)) << error << " in " << text;
        EXPECT_EQ(back, all) << text;
        for (const char c : text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "unprintable byte written in " << text;
    }
}

TEST(ByteEscapes, EachStyleWritesSpacesQuotesAndControlsAsItsReadersExpect)
{
    const std::string bytes = "a \\\"\r\n\t\x7F\xFF";
    EXPECT_EQ(EscapeBytes(bytes, QUOTED_ESCAPES), "a \\\\\\\"\\r\\n\\t\\x7F\\xFF");
    EXPECT_EQ(EscapeBytes(bytes, WORD_ESCAPES), "a\\x20\\x5C\"\\x0D\\x0A\\x09\\x7F\\xFF");
    EXPECT_EQ(EscapeBytes(bytes, ROW_ESCAPES), "a \\x5C\"\\x0D\\x0A\\x09\\x7F\\xFF");
}

TEST(ByteEscapes, BadEscapesAreRefusedWithTheirFault)
{
    std::string bytes, error;
    ASSERT_TRUE(UnescapeBytes("\\x4a\\x4A", &bytes, &error)) << error;
    EXPECT_EQ(bytes, "JJ");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\\xZ1", "\\x needs two hexadecimal digits"},
        {"ab\\x4", "\\x needs two hexadecimal digits"},
        {"\\q", "unknown escape \\q"},
        {"ab\\", "the text ends in a lone \\"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_FALSE(UnescapeBytes(text, &bytes, &error)) << text;
        EXPECT_EQ(error, expected) << text;
    }
}
