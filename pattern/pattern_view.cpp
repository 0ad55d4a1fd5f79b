// Painting the pattern view and the Win32 side of the sequencers.
//
// The view is composed off the screen, in one memory bitmap of the client
// area's size, from bitmaps loaded once at start-up and kept for the run: the
// elements in their fixed order, later ones covering earlier ones. The
// composition is brought up to date only when what it shows changes (the
// pattern on show, a pad, a note, a digit, PLAY or STOP after a STOP); a paint
// then costs one copy to the window.
//
// Every paint leaves the whole view on the screen in the state it has at that
// paint. The terminal paints first, inside the window's update region only;
// while the view's state is the one last put on the screen in full, only the
// elements that meet that region are copied again, with every later element
// they cover (a received byte repaints one character cell, and bringing the
// whole view back for it would hold the receiver below the line's rate).
// Once the state has changed since (the piano moving to its next pattern asks
// for no repaint) or the pictures have been loaded since, the paint copies
// every element, through a context of the whole client area, with the caret
// hidden so that no copy lands on a shown caret.
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
// Counts the loads of the bitmaps: a composition made before them (a paint
// during a start-up message box) is made again once they are there.
int picturesLoaded = 0;

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
    int pictures = 0;           // picturesLoaded at that composition
};
Canvas canvas;

// The state whose every element was last put on the window, and the pictures
// it was drawn from.
struct OnScreen {
    bool whole = false;
    ViewState state = {};
    int pictures = 0;
};
OnScreen onScreen;

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
    canvas.pictures = picturesLoaded;
    canvas.composed = true;
}

// The part of the window to bring back from the canvas: the elements that meet
// the repainted rectangle, and every later element that overlaps one of those
// (it covers it, so it is drawn again too); with no rectangle, every element.
HRGN RegionToCopy(const std::vector<Element>& elements, const RECT* repainted)
{
    HRGN region = nullptr;
    RECT dirty = repainted ? *repainted : RECT{};
    for (const Element& e : elements) {
        RECT meet;
        if (repainted && !IntersectRect(&meet, &dirty, &e.rect)) continue;
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
    ++picturesLoaded;
}

void ClosePatternView()
{
    if (canvas.hDC) {
        SelectObject(canvas.hDC, canvas.hReplaced);
        DeleteDC(canvas.hDC);
        DeleteObject(canvas.hBitmap);
    }
    canvas = Canvas{};
    onScreen = OnScreen{};
    for (HBITMAP& hBitmap : loadedBitmaps) {
        if (hBitmap) DeleteObject(hBitmap);
        hBitmap = nullptr;
    }
}

void InitPatternClocks(HWND hWnd)
{
    WindowPatternEvents events(hWnd);
    InitPatterns(events);
    // A window shown before this (the splash timer ends while a start-up
    // message waits for its answer) was painted from the state before start-up
    // ended; it is painted again, so the start-up view is the same either way.
    if (IsWindowVisible(hWnd)) events.Repaint();
}

void PaintPatterns(HWND hWnd, HDC hDC, const RECT& rcRepainted)
{
    const ViewState state = CurrentViewState();
    const bool whole = !onScreen.whole || !(onScreen.state == state) || onScreen.pictures != picturesLoaded;
    HRGN region = RegionToCopy(ViewElements(state), whole ? nullptr : &rcRepainted);
    if (region == nullptr) return;
    if (MakeCanvas(hDC)) {
        if (!canvas.composed || !(canvas.shown == state) || canvas.pictures != picturesLoaded) Compose(state);
        RECT box;
        GetRgnBox(region, &box);
        if (whole) {
            // The whole client area, not the paint's clipping: elements outside
            // the update region show an older state.
            if (HDC hWindowDC = GetDC(hWnd)) {
                HideCaret(hWnd);
                SelectClipRgn(hWindowDC, region);
                BitBlt(hWindowDC, box.left, box.top, box.right - box.left, box.bottom - box.top, canvas.hDC,
                       box.left, box.top, SRCCOPY);
                ShowCaret(hWnd);
                ReleaseDC(hWnd, hWindowDC);
                onScreen = {true, state, picturesLoaded};
            }
        } else {
            // Within the paint's own clipping: outside the update region the
            // window already shows what the canvas holds.
            ExtSelectClipRgn(hDC, region, RGN_AND);
            BitBlt(hDC, box.left, box.top, box.right - box.left, box.bottom - box.top, canvas.hDC, box.left,
                   box.top, SRCCOPY);
        }
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
