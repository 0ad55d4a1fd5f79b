// The terminal view's Win32 edge. The screen logic itself (what each byte does,
// which cells a paint covers, how far a scroll moves) is the platform-free
// screen core; this file turns its requests into invalidations, beeps, caret
// moves, scroll bars and text output.
//
// How it works: WriteTTYBlock runs on the watch thread for received bytes and
// the error texts of reads, and on the user-interface thread for echo and the
// error texts of writes; the screen core holds
// the screen's lock for each whole call. Painting, sizing, scrolling and the
// caret run on the user-interface thread only. The cell size and the scroll
// offsets (xChar, yChar, xOffset, yOffset) are changed only by the
// user-interface thread, under the screen's lock, because the watch thread
// reads them under that lock to find the cell a received byte invalidates;
// the user-interface thread itself reads them without it.
#include "terminal/tty_view.h"

#include <mutex>

#include "serial/comm_io.h"
#include "serial/tty_info.h"
#include "terminal/tty_screen.h"

namespace {

// The screen core's requests, carried out on the main window.
class WindowScreenEvents final : public TTYScreenEvents {
public:
    WindowScreenEvents(HWND hWnd, const TTYINFO& info) : hWnd_(hWnd), info_(info) {}

    void InvalidateCell(int nRow, int nColumn) override
    {
        RECT rect;
        rect.left = nColumn * info_.xChar - info_.xOffset;
        rect.top = nRow * info_.yChar - info_.yOffset;
        rect.right = rect.left + info_.xChar;
        rect.bottom = rect.top + info_.yChar;
        InvalidateRect(hWnd_, &rect, FALSE);
    }
    void InvalidateAll() override { InvalidateRect(hWnd_, nullptr, FALSE); }
    void Beep() override { MessageBeep(0); }
    // The caret belongs to the user-interface thread. A byte the watch thread
    // writes is followed by the repaint it asks for, and that paint, on the
    // user-interface thread, brings the caret to the cursor.
    void MoveCursor() override
    {
        if (GetWindowThreadProcessId(hWnd_, nullptr) == GetCurrentThreadId()) MoveTTYCursor(hWnd_);
    }

private:
    HWND hWnd_;
    const TTYINFO& info_;
};

// Moves one scroll offset by amount under the screen's lock; the new offset.
int MoveOffset(TTYINFO* npTTYInfo, int& offset, int amount)
{
    std::lock_guard<std::recursive_mutex> hold(npTTYInfo->screen.lock);
    return offset += amount;
}

// One axis of a scroll: moves the window content and the offset, then the bar.
// Moving the content moves the pattern view drawn over the terminal too, and
// the view stays at its fixed places, so the whole client area is painted
// again (without erasing), not only the strip the move uncovered.
void ScrollAxis(HWND hTTYWnd, TTYINFO* npTTYInfo, int nBar, int amount)
{
    if (nBar == SB_VERT)
        ScrollWindowEx(hTTYWnd, 0, -amount, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    else
        ScrollWindowEx(hTTYWnd, -amount, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    const int offset = MoveOffset(npTTYInfo, nBar == SB_VERT ? npTTYInfo->yOffset : npTTYInfo->xOffset, amount);
    SetScrollPos(hTTYWnd, nBar, offset, TRUE);
    InvalidateRect(hTTYWnd, nullptr, FALSE);
}

}  // namespace

BOOL ResetTTYScreen(HWND hTTYWnd, TTYINFO* npTTYInfo)
{
    if (npTTYInfo == nullptr) return FALSE;
    if (npTTYInfo->hTTYFont) DeleteObject(npTTYInfo->hTTYFont);
    npTTYInfo->hTTYFont = CreateFontIndirectA(&npTTYInfo->lfTTYFont);

    HDC hDC = GetDC(hTTYWnd);
    HGDIOBJ hOldFont = SelectObject(hDC, npTTYInfo->hTTYFont);
    TEXTMETRICA tm;
    GetTextMetricsA(hDC, &tm);
    SelectObject(hDC, hOldFont);
    ReleaseDC(hTTYWnd, hDC);
    {
        std::lock_guard<std::recursive_mutex> hold(npTTYInfo->screen.lock);
        npTTYInfo->xChar = tm.tmAveCharWidth;
        npTTYInfo->yChar = tm.tmHeight + tm.tmExternalLeading;
    }

    // The size computation runs again for the new cell size, given the
    // window's outer size (frame and bars included) as the size to fit.
    RECT rcWindow;
    GetWindowRect(hTTYWnd, &rcWindow);
    SendMessageA(hTTYWnd, WM_SIZE, SIZENORMAL,
                 MAKELPARAM(rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top));
    return TRUE;
}

BOOL PaintTTY(HWND hTTYWnd, HDC hDC, const RECT& rcPaint)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;

    HGDIOBJ hOldFont = SelectObject(hDC, npTTYInfo->hTTYFont);
    SetTextColor(hDC, npTTYInfo->rgbFGColor);
    SetBkColor(hDC, GetSysColor(COLOR_WINDOW));

    // The watch thread may be writing the screen meanwhile: the paint draws
    // a copy taken under the screen's lock, whole calls of WriteTTYBlock only.
    const TTYScreenCopy screen = CopyTTYScreen(npTTYInfo->screen);
    const RECT& rc = rcPaint;
    TTYCellRange cells = PaintCellRange(rc.left, rc.top, rc.right, rc.bottom, npTTYInfo->xOffset,
                                        npTTYInfo->yOffset, npTTYInfo->xChar, npTTYInfo->yChar);
    const int count = cells.lastColumn - cells.firstColumn + 1;
    if (count > 0) {
        for (int nRow = cells.firstRow; nRow <= cells.lastRow; ++nRow) {
            RECT cellsRect;
            cellsRect.left = cells.firstColumn * npTTYInfo->xChar - npTTYInfo->xOffset;
            cellsRect.top = nRow * npTTYInfo->yChar - npTTYInfo->yOffset;
            cellsRect.right = cellsRect.left + count * npTTYInfo->xChar;
            cellsRect.bottom = cellsRect.top + npTTYInfo->yChar;
            const char* text = reinterpret_cast<const char*>(
                screen.abScreen + nRow * MAXCOLS + cells.firstColumn);
            ExtTextOutA(hDC, cellsRect.left, cellsRect.top, ETO_OPAQUE | ETO_CLIPPED, &cellsRect, text,
                        static_cast<UINT>(count), nullptr);
        }
    }
    SelectObject(hDC, hOldFont);
    return TRUE;
}

BOOL SizeTTY(HWND hTTYWnd, WORD wVertSize, WORD wHorzSize)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;

    npTTYInfo->ySize = wVertSize;
    npTTYInfo->yScroll = ScrollLimit(MAXROWS, npTTYInfo->yChar, npTTYInfo->ySize);
    int nScrollAmt = SizeAdjustment(npTTYInfo->yOffset, npTTYInfo->yScroll);
    ScrollWindowEx(hTTYWnd, 0, -nScrollAmt, nullptr, nullptr, nullptr, nullptr, 0);
    SetScrollPos(hTTYWnd, SB_VERT, MoveOffset(npTTYInfo, npTTYInfo->yOffset, nScrollAmt), FALSE);
    SetScrollRange(hTTYWnd, SB_VERT, 0, npTTYInfo->yScroll, TRUE);

    npTTYInfo->xSize = wHorzSize;
    npTTYInfo->xScroll = ScrollLimit(MAXCOLS, npTTYInfo->xChar, npTTYInfo->xSize);
    nScrollAmt = SizeAdjustment(npTTYInfo->xOffset, npTTYInfo->xScroll);
    ScrollWindowEx(hTTYWnd, -nScrollAmt, 0, nullptr, nullptr, nullptr, nullptr, 0);
    SetScrollPos(hTTYWnd, SB_HORZ, MoveOffset(npTTYInfo, npTTYInfo->xOffset, nScrollAmt), FALSE);
    SetScrollRange(hTTYWnd, SB_HORZ, 0, npTTYInfo->xScroll, TRUE);

    InvalidateRect(hTTYWnd, nullptr, TRUE);
    return TRUE;
}

namespace {

// One scroll command on one axis: the amount from the screen core, then the
// window content, the offset and the bar.
BOOL ScrollTTY(HWND hTTYWnd, int nBar, WORD wScrollCmd, WORD wScrollPos)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    const bool vertical = nBar == SB_VERT;
    int amount;
    if (!ScrollAmount(wScrollCmd, wScrollPos, vertical ? npTTYInfo->yOffset : npTTYInfo->xOffset,
                      vertical ? npTTYInfo->yScroll : npTTYInfo->xScroll,
                      vertical ? npTTYInfo->yChar : npTTYInfo->xChar,
                      vertical ? npTTYInfo->ySize : npTTYInfo->xSize, &amount))
        return FALSE;
    ScrollAxis(hTTYWnd, npTTYInfo, nBar, amount);
    return TRUE;
}

}  // namespace

BOOL ScrollTTYVert(HWND hTTYWnd, WORD wScrollCmd, WORD wScrollPos)
{
    return ScrollTTY(hTTYWnd, SB_VERT, wScrollCmd, wScrollPos);
}

BOOL ScrollTTYHorz(HWND hTTYWnd, WORD wScrollCmd, WORD wScrollPos)
{
    return ScrollTTY(hTTYWnd, SB_HORZ, wScrollCmd, wScrollPos);
}

BOOL SetTTYFocus(HWND hTTYWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    if (npTTYInfo->fConnected && npTTYInfo->wCursorState != 1) {
        CreateCaret(hTTYWnd, nullptr, npTTYInfo->xChar, npTTYInfo->yChar);
        ShowCaret(hTTYWnd);
        npTTYInfo->wCursorState = 1;
    }
    MoveTTYCursor(hTTYWnd);
    return TRUE;
}

BOOL KillTTYFocus(HWND hTTYWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    if (npTTYInfo->fConnected && npTTYInfo->wCursorState != 0) {
        HideCaret(hTTYWnd);
        DestroyCaret();
        npTTYInfo->wCursorState = 0;
    }
    return TRUE;
}

BOOL MoveTTYCursor(HWND hTTYWnd, RECT* prcCaret)
{
    if (prcCaret) SetRectEmpty(prcCaret);
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    if (npTTYInfo->fConnected && (npTTYInfo->wCursorState & 1)) {
        const TTYCursor cursor = ReadTTYCursor(npTTYInfo->screen);
        const int x = cursor.nColumn * npTTYInfo->xChar - npTTYInfo->xOffset;
        const int y = cursor.nRow * npTTYInfo->yChar - npTTYInfo->yOffset;
        SetCaretPos(x, y);
        if (prcCaret) SetRect(prcCaret, x, y, x + npTTYInfo->xChar, y + npTTYInfo->yChar);
    }
    return TRUE;
}

BOOL PaintMeetsCaret(HWND hTTYWnd, const RECT& rcPaint, const RECT& rcCaret)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return TRUE;
    if (rcPaint.bottom - rcPaint.top > npTTYInfo->yChar) return TRUE;
    RECT meet;
    return IntersectRect(&meet, &rcCaret, &rcPaint);
}

BOOL WriteTTYBlock(HWND hTTYWnd, const BYTE* lpBlock, int nLength)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    WindowScreenEvents events(hTTYWnd, *npTTYInfo);
    return WriteTTYBlock(npTTYInfo->screen, lpBlock, nLength, events) ? TRUE : FALSE;
}

BOOL ProcessTTYCharacter(HWND hTTYWnd, BYTE bOut)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr || !npTTYInfo->fConnected) return FALSE;
    WriteCommBlock(hTTYWnd, &bOut, 1);
    if (npTTYInfo->fLocalEcho) WriteTTYBlock(hTTYWnd, &bOut, 1);
    return TRUE;
}

BOOL SendPeerMessage(HWND hTTYWnd, const PeerMessage& message)
{
    BOOL sent = message.length > 0 ? TRUE : FALSE;
    for (int i = 0; i < message.length; ++i) sent = ProcessTTYCharacter(hTTYWnd, message.bytes[i]) && sent;
    return sent;
}
