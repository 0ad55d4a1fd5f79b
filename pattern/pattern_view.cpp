// Painting the pattern view and the Win32 side of the sequencers. Each paint
// takes a device context for the whole client area and copies the elements
// straight from their bitmap resources, in order, later elements covering
// earlier ones; every context, bitmap and brush is released within the paint.
//
// The terminal paints first, inside the window's update region only, so an
// element that does not meet that region still shows what the last paint
// drew. Only the elements that meet it are copied again, and with them every
// later element they cover: a received byte repaints one character cell, and
// copying all 60-odd bitmaps for it would hold the receiver to about 50
// bytes a second, below the line's rate.
#include "pattern/pattern_view.h"

#include "app/app.h"
#include "audio/voices.h"
#include "pattern/patterns.h"
#include "resources/resource.h"

namespace {

// The sequencers' requests, carried out on the main window.
class WindowPatternEvents final : public PatternEvents {
public:
    explicit WindowPatternEvents(HWND hWnd) : hWnd_(hWnd) {}
    void StartVoice(int voice, float step) override { ::StartVoice(voice, step); }
    void RearmTimer(uint32_t id, uint32_t periodMs) override
    {
        KillTimer(hWnd_, id);
        SetTimer(hWnd_, id, periodMs, nullptr);
    }
    void Repaint() override { InvalidateRect(hWnd_, nullptr, FALSE); }

private:
    HWND hWnd_;
};

// What a paint draws on, and the part of the window it must bring back: the
// region the terminal repainted, grown by every element drawn again (a later
// element that overlaps one of those is covered by it and is drawn too).
struct PaintTarget {
    HDC hDC;
    RECT dirty;

    // Whether the element at (x, y) of that size must be drawn; if so, the
    // area it covers joins the dirty part.
    bool Needs(int x, int y, int width, int height)
    {
        const RECT element = {x, y, x + width, y + height};
        RECT meet;
        if (!IntersectRect(&meet, &dirty, &element)) return false;
        UnionRect(&dirty, &dirty, &element);
        return true;
    }
};

// Copies one bitmap resource to (x, y) where it is needed; an element whose
// memory context cannot be made is left out of this paint.
void CopyBitmap(PaintTarget& target, int id, int x, int y, int width, int height)
{
    if (id == 0 || !target.Needs(x, y, width, height)) return;
    HDC hMemDC = CreateCompatibleDC(target.hDC);
    if (hMemDC == nullptr) return;
    HBITMAP hBitmap = LoadBitmapA(ghInstance, MAKEINTRESOURCEA(id));
    HGDIOBJ hBitMap = SelectObject(hMemDC, hBitmap);
    BitBlt(target.hDC, x, y, width, height, hMemDC, 0, 0, SRCCOPY);
    SelectObject(hMemDC, hBitMap);
    DeleteObject(hBitmap);
    DeleteDC(hMemDC);
}

constexpr COLORREF pinkbrush = 0x00FF1122;
constexpr int ARROW_W = 48, ARROW_H = 50;
constexpr int PAD_W = 64, PAD_H = 128;
// The roll: 42 copies of one grid column at its own 14-pixel width (the strip
// has no wider copy to give), closed on the right by the strip's left line.
constexpr int ROLL_X = 10, ROLL_Y = 150, ROLL_STRIP_W = 14, ROLL_STRIP_H = 391;
constexpr int ROLL_RIGHT = ROLL_X + ROLL_STRIP_W * PIANO_COLUMNS;

// An up arrow, a down arrow and the digit between them.
void PaintControl(PaintTarget& target, int x, int top, uint32_t value)
{
    CopyBitmap(target, IDB_ARROWUP, x, top, ARROW_W, ARROW_H);
    CopyBitmap(target, IDB_ARROWDOWN, x, top + 100, ARROW_W, ARROW_H);
    CopyBitmap(target, DigitBitmap(value), x, top + 50, ARROW_W, ARROW_H);
}

void PaintSequencers(PaintTarget& target)
{
    for (int s = 1; s <= DRUM_STEPS; ++s) CopyBitmap(target, IDB_PADOFF, 10 + 74 * (s - 1), 10, PAD_W, PAD_H);
    for (int s = 1; s <= DRUM_STEPS; ++s)
        if (drumbuff[patdisp][s]) CopyBitmap(target, IDB_PADON, 10 + 74 * (s - 1), 10, PAD_W, PAD_H);
    for (int c = 0; c < PIANO_COLUMNS; ++c)
        CopyBitmap(target, IDB_ROLLCOLUMN, ROLL_X + ROLL_STRIP_W * c, ROLL_Y, ROLL_STRIP_W, ROLL_STRIP_H);
    CopyBitmap(target, IDB_ROLLCOLUMN, ROLL_RIGHT, ROLL_Y, 1, ROLL_STRIP_H);

    HBRUSH bitbrush = CreateSolidBrush(pinkbrush);
    for (int c = 0; c < PIANO_COLUMNS; ++c) {
        const int r = static_cast<int>(yfill[pianopat][c]);
        RECT cell = {14 * c + 11, 11 * r + 151, 14 * c + 24, 11 * r + 161};
        if (target.Needs(cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top))
            FillRect(target.hDC, &cell, bitbrush);
    }
    DeleteObject(bitbrush);

    PaintControl(target, 650, 0, static_cast<uint32_t>(patdisp));
    PaintControl(target, 720, 0, speedbuff[patdisp]);
    PaintControl(target, 650, 400, pianopat);
    PaintControl(target, 720, 400, pianospeed[pianopat]);
}

}  // namespace

void InitPatternClocks(HWND hWnd)
{
    WindowPatternEvents events(hWnd);
    InitPatterns(events);
}

void PaintPatterns(HWND hWnd, const RECT& rcRepainted)
{
    PaintTarget target = {GetDC(hWnd), rcRepainted};
    if (chat) PaintSequencers(target);
    CopyBitmap(target, IDB_PLAY, 650, 200, 100, 50);
    CopyBitmap(target, IDB_STOP, 650, 250, 100, 50);
    // The update region is not validated here: the terminal's own paint has
    // already done that, and any cell the watch thread invalidated since (a
    // byte received during this paint) must stay invalid to be drawn next.
    ReleaseDC(hWnd, target.hDC);
}

void OnPatternTimer(HWND hWnd, WPARAM idTimer)
{
    WindowPatternEvents events(hWnd);
    OnPatternTimer(static_cast<uint32_t>(idTimer), events);
}

LRESULT OnPatternClick(HWND hWnd, LPARAM lParam)
{
    WindowPatternEvents events(hWnd);
    PatternClick(LOWORD(lParam), HIWORD(lParam), events);
    return 0;
}
