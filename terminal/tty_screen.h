// The terminal's 80 x 25 character screen, its cursor and the geometry of
// painting and scrolling it. Platform-free: what the screen asks of its window
// (invalidate a cell or everything, beep, move the caret) goes through
// TTYScreenEvents, which the Windows edge fills with real calls and the tests
// and fuzz program with recorders.
#pragma once

#include <cstdint>
#include <mutex>

constexpr int MAXCOLS = 80;
constexpr int MAXROWS = 25;

class TTYScreenEvents {
public:
    virtual void InvalidateCell(int nRow, int nColumn) = 0;  // that one cell, no erase
    virtual void InvalidateAll() = 0;                       // whole client area, no erase
    virtual void Beep() = 0;                                // the system's default beep
    virtual void MoveCursor() = 0;                          // bring the caret to the cursor

protected:
    ~TTYScreenEvents() = default;
};

// A running count and FNV-1a hash (32-bit) of bytes in order: what a screen
// has been given to write, so that a long run can be checked against what the
// line carried without keeping the bytes.
struct ByteTally {
    static constexpr uint32_t FNV_START = 2166136261u;
    static constexpr uint32_t FNV_PRIME = 16777619u;
    uint64_t count = 0;
    uint32_t hash = FNV_START;
    void Add(unsigned char byte)
    {
        ++count;
        hash = (hash ^ byte) * FNV_PRIME;
    }
};

// The screen part of the connection record. Written by the watch thread
// (received bytes, read error texts) and the user-interface thread (local
// echo, write error texts);
// `lock` serialises every WriteTTYBlock call, and is recursive because the
// events asked for while it is held may read the screen under it again (the
// caret's move reads the cursor). The two modes are read by every write and
// changed by the Settings dialog on the other thread: they are changed and
// read elsewhere only under `lock` too (SetTTYModes, ReadTTYModes), so a
// block is written whole under one pair of modes.
struct TTYScreen {
    unsigned char abScreen[MAXROWS * MAXCOLS];  // row after row, a space is an empty cell
    int nRow = 0;                               // cursor row, 0..24
    int nColumn = 0;                            // cursor column, 0..79
    bool fAutoWrap = true;                      // column 79 wraps to the next row
    bool fNewLine = false;                      // a carriage return also feeds a line
    ByteTally written;                          // every byte WriteTTYBlock was given
    std::recursive_mutex lock;

    TTYScreen();
};

// Writes nLength bytes into the screen at the cursor, acting on bell,
// backspace, line feed and carriage return and storing every other byte.
// Takes screen.lock for the whole call; the events are asked for while it is
// held. A negative or zero count, or a null block, writes nothing. Returns true.
bool WriteTTYBlock(TTYScreen& screen, const unsigned char* lpBlock, int nLength,
                   TTYScreenEvents& events);

// The screen's cells and cursor as they are between two WriteTTYBlock calls,
// copied under screen.lock: what a paint draws while the watch thread may be
// writing the screen.
struct TTYScreenCopy {
    unsigned char abScreen[MAXROWS * MAXCOLS];
    int nRow, nColumn;
};
TTYScreenCopy CopyTTYScreen(TTYScreen& screen);

// The auto-wrap and new-line modes, set and read under screen.lock: a change
// takes effect between two WriteTTYBlock calls, never within one.
struct TTYModes {
    bool fAutoWrap, fNewLine;
};
void SetTTYModes(TTYScreen& screen, TTYModes modes);
TTYModes ReadTTYModes(TTYScreen& screen);

// The cursor alone, read under screen.lock: where the caret goes.
struct TTYCursor {
    int nRow, nColumn;
};
TTYCursor ReadTTYCursor(TTYScreen& screen);

// The cells a paint of the rectangle (left, top, right, bottom; right and
// bottom excluded) covers, given the scroll offsets and the cell size. A cell
// size of 0 or less counts as 1. The first row and column are never below 0;
// the last ones may be, and then nothing is drawn (a last cell too far below 0
// for the count to be computed in an int is given as -1).
struct TTYCellRange {
    int firstRow, lastRow;
    int firstColumn, lastColumn;  // the count drawn per row is lastColumn - firstColumn + 1
};
TTYCellRange PaintCellRange(int left, int top, int right, int bottom, int xOffset, int yOffset,
                            int xChar, int yChar);

// The largest scroll position of one axis: max(0, cells * cellSize - windowSize).
int ScrollLimit(int cells, int cellSize, int windowSize);

// How far one scroll command moves one axis, already clamped so the offset
// stays within 0..scrollLimit; returns false (and moves nothing, *amount = 0)
// for thumb tracking, end-scroll and unknown commands. Commands: 0 line up,
// 1 line down, 2 page up, 3 page down, 4 thumb position, 5 thumb track, 6 top,
// 7 bottom.
bool ScrollAmount(unsigned command, int thumbPosition, int offset, int scrollLimit,
                  int lineSize, int pageSize, int* amount);

// The adjustment of one axis after a resize: min(scrollLimit, offset) - offset
// (0 or negative: the view moves back when the range shrank below it).
int SizeAdjustment(int offset, int scrollLimit);
