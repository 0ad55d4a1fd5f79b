// Any byte stream written into the terminal screen, with any wrap settings.
// The first byte chooses the modes (bit 0 fAutoWrap, bit 1 fNewLine) and,
// in its upper six bits, the size of the blocks of the second feed (1..64).
// The rest is written three ways: one byte at a time, in blocks of that size,
// and as one block. Checked: the cursor is inside 80 x 25 after every byte and
// at every event; every invalidated cell is the cursor cell, inside the screen;
// each byte has the effect its kind calls for; the three feeds end with the
// same screen, cursor and events.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "terminal/tty_screen.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckCursor(const TTYScreen& s)
{
    Check(s.nRow >= 0 && s.nRow < MAXROWS && s.nColumn >= 0 && s.nColumn < MAXCOLS);
}

enum : uint32_t { CELL = 1u << 24, ALL = 2u << 24, BEEP = 3u << 24, MOVE = 4u << 24 };

class CheckedEvents final : public TTYScreenEvents {
public:
    explicit CheckedEvents(const TTYScreen& screen) : screen_(screen) {}
    std::vector<uint32_t> log;
    int beeps = 0, alls = 0, cells = 0;

    void InvalidateCell(int r, int c) override
    {
        Check(r >= 0 && r < MAXROWS && c >= 0 && c < MAXCOLS);
        Check(r == screen_.nRow && c == screen_.nColumn);  // the cell just stored
        ++cells;
        Record(CELL | static_cast<uint32_t>(r * MAXCOLS + c));
    }
    void InvalidateAll() override
    {
        ++alls;
        Record(ALL);
    }
    void Beep() override
    {
        ++beeps;
        Record(BEEP);
    }
    void MoveCursor() override { Record(MOVE); }

private:
    void Record(uint32_t event)
    {
        CheckCursor(screen_);
        log.push_back(event);
    }
    const TTYScreen& screen_;
};

bool SameScreen(const TTYScreen& a, const TTYScreen& b)
{
    return a.nRow == b.nRow && a.nColumn == b.nColumn &&
           std::memcmp(a.abScreen, b.abScreen, sizeof a.abScreen) == 0;
}

// One byte into `screen`, checked against what its kind must do.
void WriteOne(TTYScreen& screen, CheckedEvents& events, unsigned char byte)
{
    // Only a bell and a backspace are checked against the whole screen
    // before them; copying it for every byte made long inputs slow.
    TTYScreenCopy before;
    if (byte == 7 || byte == 8) before = CopyTTYScreen(screen);
    before.nRow = screen.nRow;
    before.nColumn = screen.nColumn;
    const int beeps = events.beeps, alls = events.alls, cells = events.cells;

    Check(WriteTTYBlock(screen, &byte, 1, events));
    CheckCursor(screen);

    const int row = before.nRow, column = before.nColumn;
    const int nextRow = row < MAXROWS - 1 ? row + 1 : row;
    const bool scrolled = events.alls > alls;
    switch (byte) {
    case 7:
        Check(events.beeps == beeps + 1 && events.cells == cells && !scrolled);
        Check(screen.nRow == row && screen.nColumn == column);
        Check(std::memcmp(screen.abScreen, before.abScreen, sizeof before.abScreen) == 0);
        break;
    case 8:
        Check(screen.nRow == row && screen.nColumn == (column > 0 ? column - 1 : 0));
        Check(std::memcmp(screen.abScreen, before.abScreen, sizeof before.abScreen) == 0);
        Check(events.cells == cells && !scrolled);
        break;
    case 10:
        Check(screen.nRow == nextRow && screen.nColumn == column);
        Check(scrolled == (row == MAXROWS - 1) && events.cells == cells);
        break;
    case 13:
        Check(screen.nColumn == 0);
        Check(screen.nRow == (screen.fNewLine ? nextRow : row));
        Check(scrolled == (screen.fNewLine && row == MAXROWS - 1) && events.cells == cells);
        break;
    default:
        Check(events.cells == cells + 1 && events.beeps == beeps);
        if (column < MAXCOLS - 1) {
            Check(screen.nRow == row && screen.nColumn == column + 1 && !scrolled);
            Check(screen.abScreen[row * MAXCOLS + column] == byte);
        } else if (!screen.fAutoWrap) {
            Check(screen.nRow == row && screen.nColumn == column && !scrolled);
            Check(screen.abScreen[row * MAXCOLS + column] == byte);
        } else {
            // Carriage return (a line feed too in new-line mode), line feed.
            const int feeds = screen.fNewLine ? 2 : 1;
            const int roomBelow = MAXROWS - 1 - row;
            const int scrolls = feeds > roomBelow ? feeds - roomBelow : 0;
            Check(screen.nColumn == 0 && screen.nRow == (scrolls > 0 ? MAXROWS - 1 : row + feeds));
            Check(events.alls == alls + scrolls);
            Check(screen.abScreen[(row - scrolls) * MAXCOLS + column] == byte);
        }
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool autoWrap = data[0] & 1, newLine = data[0] & 2;
    const size_t blockSize = (data[0] >> 2) + 1u;
    const unsigned char* bytes = data + 1;
    const size_t count = size - 1;

    TTYScreen single, blocks, whole;
    for (TTYScreen* s : {&single, &blocks, &whole}) {
        s->fAutoWrap = autoWrap;
        s->fNewLine = newLine;
    }
    CheckedEvents singleEvents(single), blockEvents(blocks), wholeEvents(whole);

    for (size_t i = 0; i < count; ++i) WriteOne(single, singleEvents, bytes[i]);
    for (size_t i = 0; i < count; i += blockSize) {
        const size_t n = count - i < blockSize ? count - i : blockSize;
        Check(WriteTTYBlock(blocks, bytes + i, static_cast<int>(n), blockEvents));
        CheckCursor(blocks);
    }
    Check(WriteTTYBlock(whole, bytes, static_cast<int>(count), wholeEvents));
    CheckCursor(whole);

    Check(SameScreen(single, blocks) && SameScreen(single, whole));
    Check(singleEvents.log == blockEvents.log && singleEvents.log == wholeEvents.log);
    return 0;
}
