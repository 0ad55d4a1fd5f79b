// The terminal screen core: what each byte does to the screen and
// the cursor, the events it asks of the window, writers on two threads, and
// the paint, scroll and size geometry.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "terminal/tty_screen.h"

namespace {

// One event the screen asked of its window.
struct Event {
    enum Kind { CELL, ALL, BEEP, MOVE } kind;
    int row, column;  // CELL only
    bool operator==(const Event& o) const
    {
        return kind == o.kind && (kind != CELL || (row == o.row && column == o.column));
    }
};

std::ostream& operator<<(std::ostream& os, const Event& e)
{
    static const char* const names[] = {"InvalidateCell", "InvalidateAll", "Beep", "MoveCursor"};
    os << names[e.kind];
    if (e.kind == Event::CELL) os << '(' << e.row << ',' << e.column << ')';
    return os;
}

const Event MOVE{Event::MOVE, 0, 0};
const Event ALL{Event::ALL, 0, 0};
const Event BEEP{Event::BEEP, 0, 0};
Event Cell(int row, int column) { return Event{Event::CELL, row, column}; }

// Events that nothing looks at, for the tests of the lock.
class NoEvents final : public TTYScreenEvents {
    void InvalidateCell(int, int) override {}
    void InvalidateAll() override {}
    void Beep() override {}
    void MoveCursor() override {}
};

class RecordedEvents final : public TTYScreenEvents {
public:
    std::vector<Event> log;

    void InvalidateCell(int nRow, int nColumn) override { log.push_back(Cell(nRow, nColumn)); }
    void InvalidateAll() override { log.push_back(ALL); }
    void Beep() override { log.push_back(BEEP); }
    void MoveCursor() override { log.push_back(MOVE); }

    int Count(Event::Kind kind) const
    {
        int n = 0;
        for (const Event& e : log) n += e.kind == kind;
        return n;
    }
};

class TTYScreenTest : public ::testing::Test {
protected:
    TTYScreen screen;
    RecordedEvents events;

    bool Write(const std::string& s)
    {
        return WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>(s.data()),
                             static_cast<int>(s.size()), events);
    }
    std::string Row(int r) const
    {
        return std::string(reinterpret_cast<const char*>(screen.abScreen) + r * MAXCOLS, MAXCOLS);
    }
    std::string Blank() const { return std::string(MAXCOLS, ' '); }
    void PlaceCursor(int row, int column)
    {
        screen.nRow = row;
        screen.nColumn = column;
    }
    void ExpectCursor(int row, int column) const
    {
        EXPECT_EQ(screen.nRow, row);
        EXPECT_EQ(screen.nColumn, column);
    }
};

// ---- Ordinary characters ----

TEST_F(TTYScreenTest, ScreenStartsBlankWithTheCursorHome)
{
    for (int r = 0; r < MAXROWS; ++r) EXPECT_EQ(Row(r), Blank()) << "row " << r;
    ExpectCursor(0, 0);
    EXPECT_TRUE(screen.fAutoWrap);
    EXPECT_FALSE(screen.fNewLine);
}

TEST_F(TTYScreenTest, CharactersAreStoredAtTheCursorAndInvalidateOnlyTheirCell)
{
    PlaceCursor(3, 10);
    EXPECT_TRUE(Write("abc"));
    EXPECT_EQ(Row(3).substr(10, 3), "abc");
    ExpectCursor(3, 13);
    EXPECT_EQ(events.log, (std::vector<Event>{Cell(3, 10), Cell(3, 11), Cell(3, 12)}))
        << "an ordinary character moves no caret: the repaint does";
    EXPECT_EQ(Row(3).substr(0, 10), std::string(10, ' '));
    EXPECT_EQ(Row(3).substr(13), std::string(MAXCOLS - 13, ' '));
}

TEST_F(TTYScreenTest, TabVerticalTabAndFormFeedAreStoredAsGlyphs)
{
    Write("\t\v\f");
    EXPECT_EQ(Row(0).substr(0, 3), "\t\v\f");
    ExpectCursor(0, 3);
    EXPECT_EQ(events.Count(Event::CELL), 3);
    EXPECT_EQ(events.Count(Event::MOVE), 0);
}

TEST_F(TTYScreenTest, EveryByteButTheFourControlsIsStored)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        if (b != 7 && b != 8 && b != 10 && b != 13) bytes += static_cast<char>(b);
    ASSERT_EQ(bytes.size(), 252u);
    Write(bytes);
    // 252 cells: rows 0, 1 and 2 full, 12 cells of row 3.
    EXPECT_EQ(Row(0) + Row(1) + Row(2) + Row(3).substr(0, 12), bytes);
    ExpectCursor(3, 12);
    EXPECT_EQ(events.Count(Event::CELL), 252);
    EXPECT_EQ(events.Count(Event::BEEP), 0);
}

TEST_F(TTYScreenTest, HighBytesAreOrdinaryCharacters)
{
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
    Write(high);
    EXPECT_EQ(Row(0), high.substr(0, 80));
    EXPECT_EQ(Row(1).substr(0, 48), high.substr(80));
    ExpectCursor(1, 48);
}

// ---- Wrapping ----

TEST_F(TTYScreenTest, EightyCharactersWrapToColumnZeroOfTheNextRow)
{
    std::string line;
    for (int i = 0; i < MAXCOLS; ++i) line += static_cast<char>('0' + i % 10);
    Write(line);
    ExpectCursor(1, 0);
    EXPECT_EQ(Row(0), line);
    EXPECT_EQ(Row(1), Blank());
    // The wrap is the carriage return and line feed written through the same
    // operation: each moves the caret.
    ASSERT_EQ(events.log.size(), 82u);
    EXPECT_EQ(events.log[79], Cell(0, 79));
    EXPECT_EQ(events.log[80], MOVE);
    EXPECT_EQ(events.log[81], MOVE);
}

TEST_F(TTYScreenTest, TheTallyCountsWhatWasGivenNotTheWrapsOwnBytes)
{
    // 80 characters wrap (the wrap's carriage return and line feed are the
    // screen's own): the tally holds the 80 and their FNV-1a; a null or a
    // negative block adds nothing.
    const std::string row(MAXCOLS, 'a');
    Write(row);
    WriteTTYBlock(screen, nullptr, 5, events);
    WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>("a"), -1, events);
    ByteTally want;
    for (unsigned char c : row) want.Add(c);
    EXPECT_EQ(screen.written.count, 80u);
    EXPECT_EQ(screen.written.hash, want.hash);
    ByteTally one;
    one.Add('a');
    EXPECT_EQ(one.hash, 0xe40c292cu);
    EXPECT_EQ(ByteTally{}.hash, 2166136261u);
}

TEST_F(TTYScreenTest, SeventyNineCharactersDoNotWrap)
{
    Write(std::string(79, 'x'));
    ExpectCursor(0, 79);
}

TEST_F(TTYScreenTest, WithoutAutoWrapTheEightyFirstCharacterReplacesColumn79)
{
    screen.fAutoWrap = false;
    Write(std::string(79, 'y') + "z");
    ExpectCursor(0, 79);
    EXPECT_EQ(Row(0)[79], 'z');
    Write("!");
    ExpectCursor(0, 79);
    EXPECT_EQ(Row(0), std::string(79, 'y') + "!");
    EXPECT_EQ(Row(1), Blank());
    Write("?");
    EXPECT_EQ(Row(0)[79], '?') << "and so does every one after it";
    EXPECT_EQ(events.Count(Event::MOVE), 0);
    Write("\r\n");
    ExpectCursor(1, 0);
}

TEST_F(TTYScreenTest, WrapWithNewLineModeAdvancesTwoRows)
{
    screen.fNewLine = true;
    Write(std::string(MAXCOLS, 'x'));
    ExpectCursor(2, 0);
    EXPECT_EQ(Row(1), Blank());
    EXPECT_EQ(events.Count(Event::MOVE), 3) << "carriage return, its line feed, the line feed";
}

TEST_F(TTYScreenTest, WrapOnTheBottomRowScrolls)
{
    PlaceCursor(24, 0);
    Write(std::string(MAXCOLS, 'w'));
    ExpectCursor(24, 0);
    EXPECT_EQ(Row(23), std::string(MAXCOLS, 'w'));
    EXPECT_EQ(Row(24), Blank());
    EXPECT_EQ(events.Count(Event::ALL), 1);
}

// ---- Line feed, carriage return ----

TEST_F(TTYScreenTest, LineFeedMovesDownAndKeepsTheColumn)
{
    PlaceCursor(5, 33);
    Write("\n");
    ExpectCursor(6, 33);
    EXPECT_EQ(events.log, std::vector<Event>{MOVE});
}

TEST_F(TTYScreenTest, LineFeedOnTheLastRowScrollsTheScreenUp)
{
    for (int r = 0; r < MAXROWS; ++r) {
        PlaceCursor(r, 0);
        screen.fAutoWrap = false;
        Write(std::string(MAXCOLS, static_cast<char>('A' + r)));
    }
    PlaceCursor(24, 37);
    events.log.clear();
    Write("\n");
    ExpectCursor(24, 37);
    for (int r = 0; r < 24; ++r)
        EXPECT_EQ(Row(r), std::string(MAXCOLS, static_cast<char>('A' + r + 1))) << "row " << r;
    EXPECT_EQ(Row(24), Blank());
    EXPECT_EQ(events.log, (std::vector<Event>{ALL, MOVE}));
}

TEST_F(TTYScreenTest, ManyLineFeedsKeepTheCursorOnTheLastRow)
{
    Write("top");
    Write(std::string(24, '\n'));
    ExpectCursor(24, 3);
    EXPECT_EQ(events.Count(Event::ALL), 0) << "24 line feeds reach the bottom without a scroll";
    EXPECT_EQ(Row(0).substr(0, 3), "top");
    Write(std::string(30, '\n'));
    ExpectCursor(24, 3);
    EXPECT_EQ(events.Count(Event::ALL), 30);
    for (int r = 0; r < MAXROWS; ++r) EXPECT_EQ(Row(r), Blank()) << "row " << r;
}

TEST_F(TTYScreenTest, CarriageReturnGoesToColumnZeroOnTheSameRow)
{
    PlaceCursor(7, 50);
    Write("\r");
    ExpectCursor(7, 0);
    EXPECT_EQ(events.log, std::vector<Event>{MOVE});
}

TEST_F(TTYScreenTest, CarriageReturnInNewLineModeAlsoFeedsALine)
{
    screen.fNewLine = true;
    PlaceCursor(7, 50);
    Write("\r");
    ExpectCursor(8, 0);
    EXPECT_EQ(events.log, (std::vector<Event>{MOVE, MOVE}));
    PlaceCursor(24, 50);
    events.log.clear();
    Write("\r");
    ExpectCursor(24, 0);
    EXPECT_EQ(events.log, (std::vector<Event>{MOVE, ALL, MOVE})) << "and scrolls on the last row";
}

// ---- Backspace and bell ----

TEST_F(TTYScreenTest, BackspaceAtColumnZeroDoesNothing)
{
    PlaceCursor(4, 0);
    Write("\b");
    ExpectCursor(4, 0);  // and never goes back to the row above
    EXPECT_EQ(events.log, std::vector<Event>{MOVE});
}

TEST_F(TTYScreenTest, BackspaceNeverErases)
{
    Write("ab\b");
    ExpectCursor(0, 1);
    EXPECT_EQ(Row(0).substr(0, 2), "ab");
    Write("\b\b\b");
    ExpectCursor(0, 0);
    EXPECT_EQ(Row(0).substr(0, 2), "ab");
    Write("X");
    EXPECT_EQ(Row(0).substr(0, 2), "Xb") << "the next character overwrites";
    EXPECT_EQ(events.Count(Event::MOVE), 4);
}

TEST_F(TTYScreenTest, BellBeepsAndStoresNothing)
{
    PlaceCursor(2, 5);
    Write("\a\a");
    EXPECT_EQ(events.log, (std::vector<Event>{BEEP, BEEP}));
    ExpectCursor(2, 5);
    for (int r = 0; r < MAXROWS; ++r) EXPECT_EQ(Row(r), Blank()) << "row " << r;
}

// ---- Blocks ----

TEST_F(TTYScreenTest, NegativeEmptyOrMissingBlocksWriteNothing)
{
    const unsigned char b[] = {'x', '\n', 7};
    EXPECT_TRUE(WriteTTYBlock(screen, nullptr, 5, events));
    EXPECT_TRUE(WriteTTYBlock(screen, b, -1, events));
    EXPECT_TRUE(WriteTTYBlock(screen, b, INT_MIN, events));
    EXPECT_TRUE(WriteTTYBlock(screen, b, 0, events));
    EXPECT_TRUE(events.log.empty());
    EXPECT_EQ(Row(0), Blank());
    ExpectCursor(0, 0);
}

TEST_F(TTYScreenTest, ABlockIsTheSameAsItsBytesOneByOne)
{
    std::mt19937 random(7);
    std::string bytes;
    for (int i = 0; i < 5000; ++i) {
        const unsigned v = random() % 24;
        bytes += static_cast<char>(v < 4 ? "\a\b\n\r"[v] : static_cast<char>(random()));
    }
    screen.fNewLine = true;
    Write(bytes);
    TTYScreen single;
    single.fNewLine = true;
    RecordedEvents singleEvents;
    for (char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        WriteTTYBlock(single, &byte, 1, singleEvents);
    }
    EXPECT_EQ(std::string(reinterpret_cast<char*>(single.abScreen), sizeof single.abScreen),
              std::string(reinterpret_cast<char*>(screen.abScreen), sizeof screen.abScreen));
    EXPECT_EQ(single.nRow, screen.nRow);
    EXPECT_EQ(single.nColumn, screen.nColumn);
    EXPECT_EQ(singleEvents.log, events.log);
}

TEST_F(TTYScreenTest, TheCallerMayAlreadyHoldTheLock)
{
    std::lock_guard<std::recursive_mutex> hold(screen.lock);
    Write(std::string(MAXCOLS, 'q'));
    ExpectCursor(1, 0);
}

// The lock is held while the screen asks for its events, so the other thread
// cannot get in between a store and its invalidation.
class LockProbe final : public TTYScreenEvents {
public:
    explicit LockProbe(TTYScreen& screen) : screen_(screen) {}
    int calls = 0, heldElsewhere = 0;

    void InvalidateCell(int, int) override { Probe(); }
    void InvalidateAll() override { Probe(); }
    void Beep() override { Probe(); }
    void MoveCursor() override { Probe(); }

private:
    void Probe()
    {
        ++calls;
        bool locked = true;
        std::thread other([&] {
            locked = screen_.lock.try_lock();
            if (locked) screen_.lock.unlock();
        });
        other.join();
        heldElsewhere += !locked;
    }
    TTYScreen& screen_;
};

TEST_F(TTYScreenTest, TheLockIsHeldForTheWholeCall)
{
    LockProbe probe(screen);
    PlaceCursor(24, 78);
    const std::string bytes = "ab\a\b\r\n";
    WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>(bytes.data()),
                  static_cast<int>(bytes.size()), probe);
    EXPECT_GT(probe.calls, 5);
    EXPECT_EQ(probe.heldElsewhere, probe.calls);
}

// ---- Two writers ----

// Counts what the writers' events would have touched outside the screen.
class BoundsEvents final : public TTYScreenEvents {
public:
    explicit BoundsEvents(std::atomic<int>& outside) : outside_(outside) {}
    void InvalidateCell(int r, int c) override
    {
        if (r < 0 || r >= MAXROWS || c < 0 || c >= MAXCOLS) ++outside_;
    }
    void InvalidateAll() override {}
    void Beep() override {}
    void MoveCursor() override {}

private:
    std::atomic<int>& outside_;
};

TEST(TTYScreenThreads, TwoWritersKeepTheCursorInsideTheScreen)
{
    TTYScreen screen;
    std::atomic<int> outside{0};
    std::atomic<int> writing{2};
    auto writer = [&](unsigned seed) {
        BoundsEvents events(outside);
        std::mt19937 random(seed);
        std::vector<unsigned char> block(4096);
        for (int n = 0; n < 150; ++n) {
            for (unsigned char& b : block) {
                const unsigned v = random() % 16;  // plenty of controls among the bytes
                b = v < 4 ? "\a\b\n\r"[v] : static_cast<unsigned char>(random());
            }
            const int length = 1 + static_cast<int>(random() % block.size());
            WriteTTYBlock(screen, block.data(), length, events);
        }
        --writing;
    };
    std::thread a(writer, 1u), b(writer, 2u);

    long samples = 0, bad = 0;
    while (writing.load() > 0) {
        std::lock_guard<std::recursive_mutex> hold(screen.lock);
        if (screen.nRow < 0 || screen.nRow >= MAXROWS || screen.nColumn < 0 || screen.nColumn >= MAXCOLS)
            ++bad;
        // Vary the modes the writers run under, as the Settings dialog may.
        if (++samples % 64 == 0) {
            screen.fAutoWrap = !screen.fAutoWrap;
            screen.fNewLine = (samples / 64) % 3 == 0;
        }
    }
    a.join();
    b.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(outside.load(), 0);
    EXPECT_GE(screen.nRow, 0);
    EXPECT_LT(screen.nRow, MAXROWS);
    EXPECT_GE(screen.nColumn, 0);
    EXPECT_LT(screen.nColumn, MAXCOLS);
}

TEST(TTYScreenThreads, CallsFromTwoThreadsDoNotInterleave)
{
    // Each call writes one whole row from column 0; with the calls serialised
    // every row holds one writer's letter, and a reader never sees a row begun.
    TTYScreen screen;
    std::atomic<int> writing{2};
    std::atomic<int> torn{0};
    auto writer = [&](char letter) {
        NoEvents events;
        const std::string row(MAXCOLS, letter);
        for (int n = 0; n < 3000; ++n)
            WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>(row.data()), MAXCOLS, events);
        --writing;
    };
    std::thread a(writer, 'A'), b(writer, 'B');
    while (writing.load() > 0) {
        std::lock_guard<std::recursive_mutex> hold(screen.lock);
        if (screen.nColumn != 0) ++torn;
    }
    a.join();
    b.join();
    EXPECT_EQ(torn.load(), 0);
    for (int r = 0; r < 24; ++r) {
        const unsigned char first = screen.abScreen[r * MAXCOLS];
        EXPECT_TRUE(first == 'A' || first == 'B') << "row " << r;
        for (int c = 1; c < MAXCOLS; ++c)
            ASSERT_EQ(screen.abScreen[r * MAXCOLS + c], first) << "row " << r << " column " << c;
    }
}

TEST(TTYScreenThreads, APaintsCopyNeverHoldsAHalfWrittenRow)
{
    // The writer rewrites row 0 whole, one letter after another, in one call
    // each; every copy taken meanwhile (as a paint takes it) shows row 0 in a
    // single letter and the cursor where a whole call leaves it. The writer
    // goes on until the copier has taken 200 copies, so that the two overlap
    // however the host schedules them.
    TTYScreen screen;
    screen.fAutoWrap = false;
    std::atomic<bool> writing{true};
    std::atomic<int> copiesTaken{0};
    std::thread writer([&] {
        NoEvents events;
        for (int n = 0; n < 4000 || copiesTaken.load() < 200; ++n) {
            std::string row = "\r" + std::string(MAXCOLS, static_cast<char>('A' + n % 26));
            WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>(row.data()), static_cast<int>(row.size()),
                          events);
        }
        writing = false;
    });
    int copies = 0, torn = 0, cursorOff = 0;
    while (writing.load()) {
        const TTYScreenCopy copy = CopyTTYScreen(screen);
        copiesTaken.store(++copies);
        for (int c = 1; c < MAXCOLS; ++c)
            if (copy.abScreen[c] != copy.abScreen[0]) {
                ++torn;
                break;
            }
        if (copy.nRow != 0 || (copy.nColumn != 0 && copy.nColumn != MAXCOLS - 1)) ++cursorOff;
    }
    writer.join();
    EXPECT_GT(copies, 0);
    EXPECT_EQ(torn, 0) << "of " << copies << " copies";
    EXPECT_EQ(cursorOff, 0) << "of " << copies << " copies";
}

// ---- Paint range ----

void ExpectRange(const TTYCellRange& r, int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    EXPECT_EQ(r.firstRow, firstRow);
    EXPECT_EQ(r.lastRow, lastRow);
    EXPECT_EQ(r.firstColumn, firstColumn);
    EXPECT_EQ(r.lastColumn, lastColumn);
}

TEST(TTYPaintRange, TheWholeScreenExactly)
{
    ExpectRange(PaintCellRange(0, 0, 640, 400, 0, 0, 8, 16), 0, 24, 0, 79);
}

TEST(TTYPaintRange, ALargerWindowIsLoweredToTheLastRowAndColumn)
{
    ExpectRange(PaintCellRange(0, 0, 2000, 1500, 0, 0, 8, 16), 0, 24, 0, 79);
    // A rectangle wholly past the screen still names the last cell.
    ExpectRange(PaintCellRange(900, 700, 2000, 1500, 0, 0, 8, 16), 24, 24, 79, 79);
}

TEST(TTYPaintRange, APartialRectangleCoversTheCellsItTouches)
{
    ExpectRange(PaintCellRange(17, 33, 25, 34, 0, 0, 8, 16), 2, 2, 2, 3);
    // Right and bottom are excluded.
    ExpectRange(PaintCellRange(8, 16, 16, 32, 0, 0, 8, 16), 1, 1, 1, 1);
    ExpectRange(PaintCellRange(8, 16, 17, 33, 0, 0, 8, 16), 1, 2, 1, 2);
}

TEST(TTYPaintRange, OffsetsMoveTheView)
{
    ExpectRange(PaintCellRange(0, 0, 8, 16, 16, 32, 8, 16), 2, 2, 2, 2);
    ExpectRange(PaintCellRange(0, 0, 320, 200, 100, 90, 8, 16), 5, 18, 12, 52);
}

TEST(TTYPaintRange, NegativeRectanglesAndOffsetsAreRaisedToZero)
{
    // Firsts raised to 0; lasts are not raised, so the count can be 0 or less.
    TTYCellRange r = PaintCellRange(-50, -50, -20, -40, 0, 0, 8, 16);
    ExpectRange(r, 0, -2, 0, -2);
    EXPECT_LE(r.lastColumn - r.firstColumn + 1, 0);
    ExpectRange(PaintCellRange(0, 0, 8, 16, -64, -64, 8, 16), 0, -3, 0, -7);
}

TEST(TTYPaintRange, DivisionTruncatesTowardZero)
{
    // (-10 - 1) / 16 is 0, not -1: the row-0 cell is still named.
    ExpectRange(PaintCellRange(-10, -10, -10, -10, 0, 0, 8, 16), 0, 0, 0, -1);
}

TEST(TTYPaintRange, ACellSizeOfZeroOrLessCountsAsOne)
{
    ExpectRange(PaintCellRange(0, 0, 50, 20, 0, 0, 0, -3), 0, 19, 0, 49);
    ExpectRange(PaintCellRange(-50, -50, 500, 500, 0, 0, 0, 0), 0, 24, 0, 79);
}

TEST(TTYPaintRange, ExtremeValuesDoNotOverflow)
{
    ExpectRange(PaintCellRange(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 1, 1), 24, 24, 79, 79);
    // A last cell too far below 0 for its count to be computed is -1.
    ExpectRange(PaintCellRange(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 1, 1), 0, -1, 0, -1);
    TTYCellRange r = PaintCellRange(INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0, 0, 16, 16);
    EXPECT_EQ(r.lastRow, (static_cast<long long>(INT_MIN) - 1) / 16) << "exact while it fits";
}

// ---- Scrolling and sizing ----

TEST(TTYScroll, LimitIsWhatDoesNotFit)
{
    EXPECT_EQ(ScrollLimit(25, 16, 600), 0);
    EXPECT_EQ(ScrollLimit(25, 16, 400), 0) << "an exact fit";
    EXPECT_EQ(ScrollLimit(25, 16, 300), 100);
    EXPECT_EQ(ScrollLimit(80, 8, 600), 40);
    EXPECT_EQ(ScrollLimit(80, 8, 0), 640);
    EXPECT_EQ(ScrollLimit(80, 0, 100), 0);
    EXPECT_EQ(ScrollLimit(INT_MAX, 4, 0), INT_MAX) << "saturated, not overflowed";
}

TEST(TTYScroll, EachCommandMovesByItsAmountWithinTheRange)
{
    struct Case {
        unsigned command;
        int thumb, offset, amount;
    };
    // Range 0..100, line 16, page 50.
    const Case cases[] = {
        {0, 0, 40, -16}, {0, 0, 10, -10}, {0, 0, 0, 0},       // line up
        {1, 0, 40, 16},  {1, 0, 90, 10},  {1, 0, 100, 0},     // line down
        {2, 0, 80, -50}, {2, 0, 40, -40},                     // page up
        {3, 0, 40, 50},  {3, 0, 60, 40},                      // page down
        {4, 70, 40, 30}, {4, 0, 40, -40}, {4, 500, 40, 60},   // thumb position
        {6, 0, 40, -40}, {6, 0, 0, 0},                        // top
        {7, 0, 40, 60},  {7, 0, 100, 0},                      // bottom
    };
    for (const Case& c : cases) {
        int amount = 12345;
        EXPECT_TRUE(ScrollAmount(c.command, c.thumb, c.offset, 100, 16, 50, &amount)) << c.command;
        EXPECT_EQ(amount, c.amount) << "command " << c.command << " thumb " << c.thumb << " from " << c.offset;
    }
}

TEST(TTYScroll, ThumbTrackEndScrollAndUnknownCommandsMoveNothing)
{
    for (unsigned command : {5u, 8u, 9u, 100u, 0xFFFFu}) {
        int amount = 12345;
        EXPECT_FALSE(ScrollAmount(command, 70, 40, 100, 16, 50, &amount)) << command;
        EXPECT_EQ(amount, 0) << command;
    }
}

TEST(TTYScroll, NothingMovesWhenTheScreenFits)
{
    for (unsigned command : {0u, 1u, 2u, 3u, 4u, 6u, 7u}) {
        int amount = 12345;
        EXPECT_TRUE(ScrollAmount(command, 30, 0, 0, 16, 600, &amount));
        EXPECT_EQ(amount, 0) << command;
    }
}

TEST(TTYScroll, TheUpperClampComesFirst)
{
    // From beyond the range a line up lands on the limit, not 16 below.
    int amount = 0;
    ASSERT_TRUE(ScrollAmount(0, 0, 120, 100, 16, 50, &amount));
    EXPECT_EQ(amount, -20);
}

TEST(TTYSize, TheViewStaysWhileInRangeAndMovesBackOtherwise)
{
    EXPECT_EQ(SizeAdjustment(40, 100), 0);
    EXPECT_EQ(SizeAdjustment(40, 40), 0);
    EXPECT_EQ(SizeAdjustment(40, 25), -15);
    EXPECT_EQ(SizeAdjustment(40, 0), -40) << "the window grew past the screen";
    EXPECT_EQ(SizeAdjustment(0, 0), 0);
}

}  // namespace

// The Settings dialog changes the modes on the user-interface thread while the
// watch thread writes received bytes: each block is written whole under one
// pair of modes, and the change is seen by the next block.
TEST(TTYScreenThreads, ModesChangedWhileAnotherThreadWritesApplyBetweenBlocks)
{
    TTYScreen screen;
    std::atomic<bool> writing{true};
    std::atomic<int> mixed{0};
    // A block of a full row and one more character, then a carriage return.
    // With auto-wrap the row wraps (a carriage return and a line feed) and the
    // last character lands on the next row; without it the last character
    // overwrites column 79. New-line makes each carriage return, the wrap's
    // included, feed a line too. So the block moves the cursor down 3, 1, 1
    // or 0 rows, by the modes it is written under.
    std::thread writer([&] {
        NoEvents events;
        std::string row(MAXCOLS + 1, 'w');
        row += '\r';
        for (int n = 0; n < 3000; ++n) {
            std::lock_guard<std::recursive_mutex> hold(screen.lock);
            const TTYModes before = ReadTTYModes(screen);
            const int rowBefore = screen.nRow;
            screen.nColumn = 0;
            WriteTTYBlock(screen, reinterpret_cast<const unsigned char*>(row.data()), static_cast<int>(row.size()),
                          events);
            const int rows = before.fAutoWrap ? (before.fNewLine ? 3 : 1) : (before.fNewLine ? 1 : 0);
            if (rowBefore + rows < MAXROWS && screen.nRow != rowBefore + rows) ++mixed;
            if (screen.nRow >= MAXROWS - 3) screen.nRow = 0;
        }
        writing = false;
    });
    int unseen = 0;
    for (unsigned n = 0; writing.load(); ++n) {
        SetTTYModes(screen, TTYModes{(n & 1) != 0, (n & 2) != 0});
        unseen += ReadTTYModes(screen).fNewLine != ((n & 2) != 0);
        std::this_thread::yield();
    }
    writer.join();
    EXPECT_EQ(mixed.load(), 0) << "a block was written under modes other than those it started with";
    EXPECT_EQ(unseen, 0) << "a mode set was not read back";
    SetTTYModes(screen, TTYModes{false, true});
    const TTYModes last = ReadTTYModes(screen);
    EXPECT_FALSE(last.fAutoWrap);
    EXPECT_TRUE(last.fNewLine);
}
