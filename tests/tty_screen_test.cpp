// The terminal screen: control characters, wrapping, scrolling, and the
// geometry of painting and scrolling the view.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "terminal/tty_screen.h"

namespace {

struct RecordedEvents : TTYScreenEvents {
    std::vector<std::pair<int, int>> cells;
    int all = 0, beeps = 0, moves = 0;
    void InvalidateCell(int r, int c) override { cells.emplace_back(r, c); }
    void InvalidateAll() override { ++all; }
    void Beep() override { ++beeps; }
    void MoveCursor() override { ++moves; }
};

class TTYScreenTest : public ::testing::Test {
protected:
    TTYScreen screen;
    RecordedEvents events;

    void Write(const std::string& s)
    {
        WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()),
                      events);
    }
    std::string Row(int r) { return std::string(reinterpret_cast<char*>(screen.abScreen) + r * MAXCOLS, MAXCOLS); }
};

TEST_F(TTYScreenTest, ScreenStartsBlankWithTheCursorHome)
{
    EXPECT_EQ(Row(0), std::string(80, ' '));
    EXPECT_EQ(Row(24), std::string(80, ' '));
    EXPECT_EQ(screen.nRow, 0);
    EXPECT_EQ(screen.nColumn, 0);
}

TEST_F(TTYScreenTest, CharactersAreStoredAtTheCursorAndInvalidateTheirCell)
{
    Write("ab\t\v\f\x80\xff");
    EXPECT_EQ(Row(0).substr(0, 7), "ab\t\v\f\x80\xff") << "tab, VT, FF and high bytes are glyphs";
    EXPECT_EQ(screen.nColumn, 7);
    ASSERT_EQ(events.cells.size(), 7u);
    EXPECT_EQ(events.cells[1], std::make_pair(0, 1));
}

TEST_F(TTYScreenTest, EightyCharactersWrapToTheNextRow)
{
    Write(std::string(80, 'x'));
    EXPECT_EQ(screen.nRow, 1);
    EXPECT_EQ(screen.nColumn, 0);

    screen.fAutoWrap = false;
    Write(std::string(79, 'y') + "z" + "!");
    EXPECT_EQ(screen.nRow, 1);
    EXPECT_EQ(screen.nColumn, 79);
    EXPECT_EQ(Row(1)[79], '!') << "without auto-wrap the 81st character replaces column 79";
}

TEST_F(TTYScreenTest, WrapWithNewLineModeAdvancesTwoRows)
{
    screen.fNewLine = true;
    Write(std::string(80, 'x'));
    EXPECT_EQ(screen.nRow, 2);
    EXPECT_EQ(screen.nColumn, 0);
    Write("a\r");
    EXPECT_EQ(screen.nRow, 3) << "a carriage return also feeds a line";
}

TEST_F(TTYScreenTest, LineFeedOnTheLastRowScrollsTheScreenUp)
{
    Write("top");
    for (int i = 0; i < 24; ++i) Write("\n");
    Write("bottom");
    events = RecordedEvents();
    Write("\n");
    EXPECT_EQ(screen.nRow, 24);
    EXPECT_EQ(screen.nColumn, 9) << "the column is kept";
    EXPECT_EQ(Row(0).substr(0, 3), "   ") << "row 0 left the screen";
    EXPECT_EQ(Row(23).substr(0, 9), "   bottom");
    EXPECT_EQ(Row(24), std::string(80, ' '));
    EXPECT_EQ(events.all, 1);
}

TEST_F(TTYScreenTest, BellBeepsAndBackspaceNeverErases)
{
    Write("\a");
    EXPECT_EQ(events.beeps, 1);
    EXPECT_EQ(Row(0), std::string(80, ' '));
    Write("\b");
    EXPECT_EQ(screen.nColumn, 0) << "backspace at column 0 does nothing";
    Write("ab\b");
    EXPECT_EQ(screen.nColumn, 1);
    EXPECT_EQ(Row(0).substr(0, 2), "ab");
    Write("\r");
    EXPECT_EQ(screen.nColumn, 0);
    EXPECT_EQ(screen.nRow, 0);
}

TEST_F(TTYScreenTest, NegativeOrMissingBlocksWriteNothing)
{
    WriteTTYBlock(screen, nullptr, 5, events);
    unsigned char b = 'x';
    WriteTTYBlock(screen, &b, -1, events);
    EXPECT_EQ(Row(0), std::string(80, ' '));
}

TEST_F(TTYScreenTest, WritersOnTwoThreadsKeepTheCursorInsideTheScreen)
{
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise += static_cast<char>((i * 37) % 256);
    auto writer = [&] {
        RecordedEvents local;
        for (int n = 0; n < 50; ++n)
            WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>(noise.data()), 4000, local);
    };
    std::thread a(writer), b(writer);
    for (int n = 0; n < 2000; ++n) {
        std::lock_guard<std::recursive_mutex> hold(screen.lock);
        ASSERT_GE(screen.nRow, 0);
        ASSERT_LT(screen.nRow, MAXROWS);
        ASSERT_LT(screen.nColumn, MAXCOLS);
    }
    a.join();
    b.join();
}

TEST(TTYGeometry, PaintRangeCoversTheCellsOfTheRectangle)
{
    TTYCellRange r = PaintCellRange(0, 0, 800, 600, 0, 0, 8, 16);
    EXPECT_EQ(r.firstRow, 0);
    EXPECT_EQ(r.lastRow, 24) << "lowered to the last row";
    EXPECT_EQ(r.lastColumn, 79);
    r = PaintCellRange(17, 33, 25, 34, 0, 0, 8, 16);
    EXPECT_EQ(r.firstColumn, 2);
    EXPECT_EQ(r.lastColumn, 3);
    EXPECT_EQ(r.firstRow, 2);
    EXPECT_EQ(r.lastRow, 2);
    r = PaintCellRange(0, 0, 8, 16, 16, 32, 8, 16);
    EXPECT_EQ(r.firstColumn, 2) << "offsets move the view";
    EXPECT_EQ(r.firstRow, 2);
    r = PaintCellRange(-50, -50, 8, 16, 0, 0, 0, 0);
    EXPECT_EQ(r.firstRow, 0) << "a zero cell size never divides by zero";
}

TEST(TTYGeometry, ScrollCommandsMoveWithinTheRange)
{
    struct Case { unsigned cmd; int pos, offset, want; bool moves; };
    // Range 0..100, line 16, page 50.
    for (Case c : {Case{0, 0, 40, -16, true}, Case{0, 0, 10, -10, true}, Case{1, 0, 90, 10, true},
                   Case{2, 0, 40, -40, true}, Case{3, 0, 40, 50, true}, Case{4, 70, 40, 30, true},
                   Case{4, 500, 40, 60, true}, Case{5, 70, 40, 0, false}, Case{6, 0, 40, -40, true},
                   Case{7, 0, 40, 60, true}, Case{8, 0, 40, 0, false}}) {
        int amount = 0;
        EXPECT_EQ(ScrollAmount(c.cmd, c.pos, c.offset, 100, 16, 50, &amount), c.moves) << c.cmd;
        if (c.moves) {
            EXPECT_EQ(amount, c.want) << "command " << c.cmd << " from " << c.offset;
        }
    }
    EXPECT_EQ(ScrollLimit(25, 16, 600), 0);
    EXPECT_EQ(ScrollLimit(25, 16, 300), 100);
    EXPECT_EQ(SizeAdjustment(40, 100), 0) << "still in range: the view stays";
    EXPECT_EQ(SizeAdjustment(40, 25), -15) << "range shrank: back to the largest position";
}

}  // namespace
