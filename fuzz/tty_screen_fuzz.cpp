// Any byte stream written into the terminal screen, with any wrap settings:
// after every byte the cursor is inside 80 x 25 and every invalidated cell is
// a cell of the screen.
#include <cstdint>
#include <cstdlib>

#include "terminal/tty_screen.h"

namespace {

struct CheckedEvents : TTYScreenEvents {
    void InvalidateCell(int r, int c) override
    {
        if (r < 0 || r >= MAXROWS || c < 0 || c >= MAXCOLS) std::abort();
    }
    void InvalidateAll() override {}
    void Beep() override {}
    void MoveCursor() override {}
};

void CheckCursor(const TTYScreen& s)
{
    if (s.nRow < 0 || s.nRow >= MAXROWS || s.nColumn < 0 || s.nColumn >= MAXCOLS) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    TTYScreen screen;
    screen.fAutoWrap = data[0] & 1;
    screen.fNewLine = data[0] & 2;
    CheckedEvents events;
    for (size_t i = 1; i < size; ++i) {
        WriteTTYBlock(screen, data + i, 1, events);
        CheckCursor(screen);
    }
    WriteTTYBlock(screen, data, static_cast<int>(size), events);  // the same bytes as one block
    CheckCursor(screen);
    return 0;
}
