// Painting the pattern view and the Win32 side of the sequencers.
//
// The view is composed off the screen, in one memory bitmap of the client
// area's size, from bitmaps loaded once at start-up and kept for the run: the
// elements in their fixed order, later ones covering earlier ones. The
// composition is brought up to date only when what it shows changes (the
// pattern on show, a pad, a note, a digit, PLAY or STOP after a STOP); a paint
// then costs one copy to the window.
//
// The terminal paints first, inside the window's update region only, so an
// element that does not meet that region still shows what the last paint
// drew. Only the elements that meet it are copied again, and with them every
// later element they cover: a received byte repaints one character cell, and
// bringing the whole view back for it would hold the receiver below the
// line's rate.
#include "pattern/pattern_view.h"

#include <array>
#include <cstring>
#include <vector>

#include "audio/voices.h"
#include "pattern/patterns.h"
#include "pattern/view_layout.h"
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

using namespace view_layout;

constexpr COLORREF pinkbrush = 0x00FF1122;
// The roll: 42 copies of one grid column at its own width (the strip has no
// wider copy to give), closed on the right by the strip's left line.
constexpr int ROLL_RIGHT = ROLL_LEFT + ROLL_COLUMN_WIDTH * PIANO_COLUMNS;

// What the view shows: the part of the pattern state a paint reads.
struct ViewState {
    int chat;
    int32_t patdisp;
    uint32_t steps[DRUM_STEPS];
    uint32_t drumTempo;
    uint32_t pianopat;
    uint32_t rows[PIANO_COLUMNS];
    uint32_t pianoTempo;

    bool operator==(const ViewState& other) const { return std::memcmp(this, &other, sizeof *this) == 0; }
};

ViewState CurrentViewState()
{
    ViewState state;
    std::memset(&state, 0, sizeof state);
    state.chat = chat;
    if (!chat) return state;
    state.patdisp = patdisp;
    for (int s = 1; s <= DRUM_STEPS; ++s) state.steps[s - 1] = drumbuff[patdisp][s];
    state.drumTempo = speedbuff[patdisp];
    state.pianopat = pianopat;
    for (int c = 0; c < PIANO_COLUMNS; ++c) state.rows[c] = yfill[pianopat][c];
    state.pianoTempo = pianospeed[pianopat];
    return state;
}

// One element of the view: a bitmap copied from its top-left corner, or (id 0)
// a note cell filled with the note colour.
struct Element {
    int id;
    RECT rect;
};

Element Bitmap(int id, const Box& b) { return {id, {b.left, b.top, b.right(), b.bottom()}}; }

// An up arrow, a down arrow and the digit between them; a value with no digit
// bitmap leaves that square as it was.
void AddControl(std::vector<Element>& elements, const Control& control, uint32_t value)
{
    elements.push_back(Bitmap(IDB_ARROWUP, control.Up()));
    elements.push_back(Bitmap(IDB_ARROWDOWN, control.Down()));
    if (const int digit = DigitBitmap(value)) elements.push_back(Bitmap(digit, control.Digit()));
}

// Every element the state shows, in drawing order.
std::vector<Element> ViewElements(const ViewState& state)
{
    std::vector<Element> elements;
    elements.reserve(80);
    if (state.chat) {
        for (int s = 0; s < DRUM_STEPS; ++s) elements.push_back(Bitmap(IDB_PADOFF, Pad(s)));
        for (int s = 0; s < DRUM_STEPS; ++s)
            if (state.steps[s]) elements.push_back(Bitmap(IDB_PADON, Pad(s)));
        for (int c = 0; c < PIANO_COLUMNS; ++c)
            elements.push_back(
                Bitmap(IDB_ROLLCOLUMN, {ROLL_LEFT + ROLL_COLUMN_WIDTH * c, ROLL_TOP, ROLL_COLUMN_WIDTH, ROLL_HEIGHT}));
        elements.push_back(Bitmap(IDB_ROLLCOLUMN, {ROLL_RIGHT, ROLL_TOP, 1, ROLL_HEIGHT}));
        for (int c = 0; c < PIANO_COLUMNS; ++c)
            elements.push_back(Bitmap(0, NoteCell(c, static_cast<int>(state.rows[c]))));
        AddControl(elements, DRUM_PATTERN, static_cast<uint32_t>(state.patdisp));
        AddControl(elements, DRUM_TEMPO, state.drumTempo);
        AddControl(elements, PIANO_PATTERN, state.pianopat);
        AddControl(elements, PIANO_TEMPO, state.pianoTempo);
    }
    elements.push_back(Bitmap(IDB_PLAY, PLAY));
    elements.push_back(Bitmap(IDB_STOP, STOP));
    return elements;
}

// ---- The bitmaps, loaded once ----

constexpr std::array<int, 15> BITMAP_IDS = {IDB_PADOFF, IDB_PADON,   IDB_ROLLCOLUMN, IDB_PLAY,   IDB_STOP,
                                            IDB_ARROWUP, IDB_ARROWDOWN, IDB_DIGIT1,  IDB_DIGIT2, IDB_DIGIT3,
                                            IDB_DIGIT4,  IDB_DIGIT5,  IDB_DIGIT6,    IDB_DIGIT7, IDB_DIGIT8};
std::array<HBITMAP, BITMAP_IDS.size()> loadedBitmaps = {};

HBITMAP LoadedBitmap(int id)
{
    for (size_t i = 0; i < BITMAP_IDS.size(); ++i)
        if (BITMAP_IDS[i] == id) return loadedBitmaps[i];
    return nullptr;
}

// ---- The composition ----

struct Canvas {
    HDC hDC = nullptr;          // a memory context holding hBitmap
    HBITMAP hBitmap = nullptr;  // the composed view, client coordinates
    HGDIOBJ hReplaced = nullptr;
    bool composed = false;
    ViewState shown = {};       // what hBitmap shows once composed
};
Canvas canvas;

bool MakeCanvas(HDC hWindowDC)
{
    if (canvas.hDC) return true;
    HDC hDC = CreateCompatibleDC(hWindowDC);
    HBITMAP hBitmap = hDC ? CreateCompatibleBitmap(hWindowDC, CANVAS_WIDTH, CANVAS_HEIGHT) : nullptr;
    if (hBitmap == nullptr) {
        if (hDC) DeleteDC(hDC);
        return false;
    }
    canvas.hReplaced = SelectObject(hDC, hBitmap);
    canvas.hDC = hDC;
    canvas.hBitmap = hBitmap;
    return true;
}

// Draws every element of the state onto the canvas in order; a bitmap that
// could not be loaded leaves its element out.
void Compose(const ViewState& state)
{
    HDC hMemDC = CreateCompatibleDC(canvas.hDC);
    if (hMemDC == nullptr) return;
    HGDIOBJ hReplaced = nullptr;
    HBRUSH bitbrush = CreateSolidBrush(pinkbrush);
    for (const Element& e : ViewElements(state)) {
        if (e.id == 0) {
            if (bitbrush) FillRect(canvas.hDC, &e.rect, bitbrush);
            continue;
        }
        HBITMAP hBitmap = LoadedBitmap(e.id);
        if (hBitmap == nullptr) continue;
        HGDIOBJ hOld = SelectObject(hMemDC, hBitmap);
        if (hReplaced == nullptr) hReplaced = hOld;
        BitBlt(canvas.hDC, e.rect.left, e.rect.top, e.rect.right - e.rect.left, e.rect.bottom - e.rect.top, hMemDC,
               0, 0, SRCCOPY);
    }
    if (hReplaced) SelectObject(hMemDC, hReplaced);
    if (bitbrush) DeleteObject(bitbrush);
    DeleteDC(hMemDC);
    canvas.shown = state;
    canvas.composed = true;
}

// The part of the window to bring back from the canvas: the elements that meet
// the repainted rectangle, and every later element that overlaps one of those
// (it covers it, so it is drawn again too).
HRGN RegionToCopy(const std::vector<Element>& elements, RECT dirty)
{
    HRGN region = nullptr;
    for (const Element& e : elements) {
        RECT meet;
        if (!IntersectRect(&meet, &dirty, &e.rect)) continue;
        UnionRect(&dirty, &dirty, &e.rect);
        HRGN piece = CreateRectRgnIndirect(&e.rect);
        if (piece == nullptr) continue;
        if (region == nullptr) {
            region = piece;
        } else {
            CombineRgn(region, region, piece, RGN_OR);
            DeleteObject(piece);
        }
    }
    return region;
}

}  // namespace

void OpenPatternView(HINSTANCE hInstance)
{
    for (size_t i = 0; i < BITMAP_IDS.size(); ++i)
        if (loadedBitmaps[i] == nullptr) loadedBitmaps[i] = LoadBitmapA(hInstance, MAKEINTRESOURCEA(BITMAP_IDS[i]));
}

void ClosePatternView()
{
    if (canvas.hDC) {
        SelectObject(canvas.hDC, canvas.hReplaced);
        DeleteDC(canvas.hDC);
        DeleteObject(canvas.hBitmap);
    }
    canvas = Canvas{};
    for (HBITMAP& hBitmap : loadedBitmaps) {
        if (hBitmap) DeleteObject(hBitmap);
        hBitmap = nullptr;
    }
}

void InitPatternClocks(HWND hWnd)
{
    WindowPatternEvents events(hWnd);
    InitPatterns(events);
}

void PaintPatterns(HDC hDC, const RECT& rcRepainted)
{
    const ViewState state = CurrentViewState();
    HRGN region = RegionToCopy(ViewElements(state), rcRepainted);
    if (region == nullptr) return;
    if (MakeCanvas(hDC)) {
        if (!canvas.composed || !(canvas.shown == state)) Compose(state);
        RECT box;
        GetRgnBox(region, &box);
        // Within the paint's own clipping: outside the update region the window
        // already shows what the canvas holds.
        ExtSelectClipRgn(hDC, region, RGN_AND);
        BitBlt(hDC, box.left, box.top, box.right - box.left, box.bottom - box.top, canvas.hDC, box.left, box.top,
               SRCCOPY);
    }
    DeleteObject(region);
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
