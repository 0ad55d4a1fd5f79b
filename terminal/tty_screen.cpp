// The terminal's screen, cursor and paint/scroll geometry, without
// the platform: everything the window must do goes through TTYScreenEvents.
#include "terminal/tty_screen.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned char BELL = 7;
constexpr unsigned char BACKSPACE = 8;
constexpr unsigned char LINE_FEED = 10;
constexpr unsigned char CARRIAGE_RETURN = 13;
constexpr int LAST_ROW = MAXROWS - 1;     // 24
constexpr int LAST_COLUMN = MAXCOLS - 1;  // 79

int SaturateToInt(int64_t value)
{
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The line-feed action: down one row, or scroll the screen up one row when
// the cursor is on the bottom row. Called with the lock held.
void LineFeed(TTYScreen& screen, TTYScreenEvents& events)
{
    if (screen.nRow >= LAST_ROW) {
        std::memmove(screen.abScreen, screen.abScreen + MAXCOLS,
                     static_cast<size_t>(LAST_ROW) * MAXCOLS);
        std::memset(screen.abScreen + LAST_ROW * MAXCOLS, ' ', MAXCOLS);
        events.InvalidateAll();
        screen.nRow = LAST_ROW;
    } else {
        ++screen.nRow;
    }
    events.MoveCursor();
}

// One cell index of a paint: (edge + offset) / cellSize, computed wide so
// that no rectangle or offset can overflow. cellSize is at least 1.
int64_t PaintCell(int edge, int offset, int64_t adjust, int cellSize)
{
    return (static_cast<int64_t>(edge) + offset + adjust) / cellSize;
}

// A first row or column: raised to 0, then lowered to the last cell.
int FirstCell(int64_t cell, int last)
{
    if (cell < 0) cell = 0;
    if (cell > last) cell = last;
    return static_cast<int>(cell);
}

// A last row or column: lowered to the last cell. A value too negative for
// the caller's count (last - first + 1) to be computed in an int can only come
// from a rectangle or offset near the limits of int; it becomes -1, which
// draws nothing, as the exact value would.
int LastCell(int64_t cell, int last)
{
    if (cell > last) cell = last;
    if (cell < static_cast<int64_t>(INT_MIN) + MAXCOLS) cell = -1;
    return static_cast<int>(cell);
}

}  // namespace

TTYScreen::TTYScreen()
{
    std::memset(abScreen, ' ', sizeof abScreen);
}

namespace {

// The bytes' effects, with screen.lock held.
void WriteBytes(TTYScreen& screen, const unsigned char* lpBlock, int nLength, TTYScreenEvents& events)
{
    for (int i = 0; i < nLength; ++i) {
        const unsigned char byte = lpBlock[i];
        switch (byte) {
        case BELL:
            events.Beep();
            break;
        case BACKSPACE:
            if (screen.nColumn > 0) --screen.nColumn;
            events.MoveCursor();
            break;
        case LINE_FEED:
            LineFeed(screen, events);
            break;
        case CARRIAGE_RETURN:
            screen.nColumn = 0;
            events.MoveCursor();
            if (screen.fNewLine) LineFeed(screen, events);
            break;
        default:  // 9, 11, 12 and 0x80..0xFF included: stored as glyphs
            screen.abScreen[screen.nRow * MAXCOLS + screen.nColumn] = byte;
            events.InvalidateCell(screen.nRow, screen.nColumn);
            if (screen.nColumn < LAST_COLUMN) {
                ++screen.nColumn;
            } else if (screen.fAutoWrap) {
                static const unsigned char wrap[2] = {CARRIAGE_RETURN, LINE_FEED};
                WriteBytes(screen, wrap, 2, events);
            }
            // else: the cursor stays in column 79; the next byte overwrites it
            break;
        }
    }
}

}  // namespace

bool WriteTTYBlock(TTYScreen& screen, const unsigned char* lpBlock, int nLength,
                   TTYScreenEvents& events)
{
    // The count is signed: a negative count or a null block writes nothing.
    if (lpBlock == nullptr || nLength <= 0) return true;

    std::lock_guard<std::recursive_mutex> hold(screen.lock);
    for (int i = 0; i < nLength; ++i) screen.written.Add(lpBlock[i]);
    WriteBytes(screen, lpBlock, nLength, events);
    return true;
}

TTYScreenCopy CopyTTYScreen(TTYScreen& screen)
{
    std::lock_guard<std::recursive_mutex> hold(screen.lock);
    TTYScreenCopy copy;
    std::memcpy(copy.abScreen, screen.abScreen, sizeof copy.abScreen);
    copy.nRow = screen.nRow;
    copy.nColumn = screen.nColumn;
    return copy;
}

void SetTTYModes(TTYScreen& screen, TTYModes modes)
{
    std::lock_guard<std::recursive_mutex> hold(screen.lock);
    screen.fAutoWrap = modes.fAutoWrap;
    screen.fNewLine = modes.fNewLine;
}

TTYModes ReadTTYModes(TTYScreen& screen)
{
    std::lock_guard<std::recursive_mutex> hold(screen.lock);
    return TTYModes{screen.fAutoWrap, screen.fNewLine};
}

TTYCursor ReadTTYCursor(TTYScreen& screen)
{
    std::lock_guard<std::recursive_mutex> hold(screen.lock);
    return TTYCursor{screen.nRow, screen.nColumn};
}

TTYCellRange PaintCellRange(int left, int top, int right, int bottom, int xOffset, int yOffset,
                            int xChar, int yChar)
{
    // A font metric of 0 (or less) counts as 1, so nothing divides by zero.
    if (xChar <= 0) xChar = 1;
    if (yChar <= 0) yChar = 1;
    TTYCellRange range;
    range.firstRow = FirstCell(PaintCell(top, yOffset, 0, yChar), LAST_ROW);
    range.lastRow = LastCell(PaintCell(bottom, yOffset, -1, yChar), LAST_ROW);
    range.firstColumn = FirstCell(PaintCell(left, xOffset, 0, xChar), LAST_COLUMN);
    range.lastColumn = LastCell(PaintCell(right, xOffset, -1, xChar), LAST_COLUMN);
    return range;
}

int ScrollLimit(int cells, int cellSize, int windowSize)
{
    const int64_t limit = static_cast<int64_t>(cells) * cellSize - windowSize;
    return limit > 0 ? SaturateToInt(limit) : 0;
}

bool ScrollAmount(unsigned command, int thumbPosition, int offset, int scrollLimit,
                  int lineSize, int pageSize, int* amount)
{
    if (amount == nullptr) return false;
    int64_t move;
    switch (command) {
    case 0: move = -static_cast<int64_t>(lineSize); break;
    case 1: move = lineSize; break;
    case 2: move = -static_cast<int64_t>(pageSize); break;
    case 3: move = pageSize; break;
    case 4: move = static_cast<int64_t>(thumbPosition) - offset; break;
    case 6: move = -static_cast<int64_t>(offset); break;
    case 7: move = static_cast<int64_t>(scrollLimit) - offset; break;
    default:  // 5 thumb track, 8 end scroll, anything else
        *amount = 0;
        return false;
    }
    if (offset + move > scrollLimit) move = static_cast<int64_t>(scrollLimit) - offset;
    if (offset + move < 0) move = -static_cast<int64_t>(offset);
    *amount = SaturateToInt(move);
    return true;
}

int SizeAdjustment(int offset, int scrollLimit)
{
    const int64_t kept = scrollLimit < offset ? scrollLimit : offset;
    return SaturateToInt(kept - offset);
}
