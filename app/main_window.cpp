// The main window procedure and the shell's own handlers: the end of the
// splash, the menu commands, the close confirmation and shutdown. The window
// procedure only routes; each message goes to the subsystem that owns it.
#include "app/app.h"
#include "audio/wave_output.h"
#include "dialogs/dialogs.h"
#include "input/keyboard.h"
#include "input/midi_input.h"
#include "pattern/pattern_view.h"
#include "resources/resource.h"
#include "serial/comm_io.h"
#include "serial/connection.h"
#include "serial/tty_info.h"
#include "terminal/tty_view.h"

namespace {

constexpr DWORD dwBlockSize = 512;  // bytes of the Send Data Block command
constexpr BYTE DATA_BLOCK_BYTE = 'X';

LRESULT OnSplashTimer(HWND hWnd)
{
    KillTimer(hWnd, ID_TIMER_SPLASH);
    if (hwsplash) DestroyWindow(hwsplash);
    hwsplash = nullptr;
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    return 0;
}

LRESULT OnTimer(HWND hWnd, WPARAM wParam)
{
    if (wParam == ID_TIMER_SPLASH) OnSplashTimer(hWnd);
    OnPatternTimer(hWnd, wParam);
    return 0;
}

void OnConnect(HWND hWnd)
{
    if (!OpenConnection(hWnd)) MessageBoxA(hWnd, "Connection failed.", gszAppName, MB_ICONEXCLAMATION);
}

void OnDisconnect(HWND hWnd)
{
    KillTTYFocus(hWnd);
    CloseConnection(hWnd);
}

void OnSettings(HWND hWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hWnd);
    if (npTTYInfo == nullptr) return;
    GoModalDialogBoxParam(ghInstance, MAKEINTRESOURCEA(IDD_SETTINGS), hWnd, SettingsDlgProc,
                          reinterpret_cast<LPARAM>(npTTYInfo));
    if (npTTYInfo->fConnected && !SetupConnection(hWnd))
        MessageBoxA(hWnd, "Settings failed!", gszAppName, MB_ICONEXCLAMATION);
}

void OnSendDataBlock(HWND hWnd)
{
    HLOCAL hBlock = LocalAlloc(LMEM_FIXED, dwBlockSize);
    if (hBlock == nullptr) return;
    BYTE* block = static_cast<BYTE*>(hBlock);
    FillMemory(block, dwBlockSize, DATA_BLOCK_BYTE);
    WriteCommBlock(hWnd, block, dwBlockSize);
    LocalFree(hBlock);
}

LRESULT OnCommand(HWND hWnd, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDM_CONNECT: OnConnect(hWnd); break;
    case IDM_DISCONNECT: OnDisconnect(hWnd); break;
    case IDM_EXIT: PostMessageA(hWnd, WM_CLOSE, 0, 0); break;
    case IDM_SETTINGS: OnSettings(hWnd); break;
    case IDM_ABOUT:
        GoModalDialogBoxParam(ghInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), hWnd, AboutDlgProc, 0);
        break;
    case IDM_SENDBLOCK: OnSendDataBlock(hWnd); break;
    default: break;
    }
    return 0;
}

LRESULT OnClose(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    if (MessageBoxA(hWnd, "OK to close window?", "TTY Sample", MB_ICONQUESTION | MB_OKCANCEL) == IDOK)
        return DefWindowProcA(hWnd, WM_CLOSE, wParam, lParam);
    return 0;
}

LRESULT OnDestroy(HWND hWnd)
{
    CloseWaveOutput();
    PostQuitMessage(0);
    DestroyTTYInfo(hWnd);
    ClosePatternView();
    return 0;
}

// The terminal, then the pattern view over it, within the part of the window
// to be painted.
void PaintView(HWND hWnd, HDC hDC, const RECT& rcPaint)
{
    PaintTTY(hWnd, hDC, rcPaint);
    PaintPatterns(hWnd, hDC, rcPaint);
}

// A paint takes the update region, then brings the caret to the cursor. A
// received byte then repaints the one cell behind the caret; hiding and
// showing the caret around that (as every BeginPaint and EndPaint do) costs
// more under Wine than the paint itself, so a paint no taller than a row of
// cells that does not meet the caret is drawn in the update region directly,
// which it then validates. Whether it meets the caret is decided from the one
// reading of the cursor that placed the caret: the watch thread may move the
// cursor meanwhile, and the repaint it then asks for brings the caret along.
// Taking the update region with erasing erases first what the system's paint
// would erase (a part of the window made invalid with erasing, as a window
// moved across it leaves it). Every other paint is a plain BeginPaint and
// EndPaint. A paint can find nothing left to paint: the watch thread has the
// window repainted after every byte, and the paint it asks for may come after
// one the message loop made already.
LRESULT OnPaint(HWND hWnd)
{
    HRGN hUpdate = CreateRectRgn(0, 0, 0, 0);
    const int kind = hUpdate ? GetUpdateRgn(hWnd, hUpdate, TRUE) : ERROR;
    RECT caret;
    MoveTTYCursor(hWnd, &caret);
    RECT box;
    if (kind == NULLREGION) {
        DeleteObject(hUpdate);
        return 0;
    }
    if (kind != ERROR && GetRgnBox(hUpdate, &box) != ERROR && !PaintMeetsCaret(hWnd, box, caret)) {
        ValidateRgn(hWnd, hUpdate);
        if (HDC hDC = GetDC(hWnd)) {
            SelectClipRgn(hDC, hUpdate);
            PaintView(hWnd, hDC, box);
            ReleaseDC(hWnd, hDC);
        }
        DeleteObject(hUpdate);
        return 0;
    }
    if (hUpdate) DeleteObject(hUpdate);
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(hWnd, &ps);
    if (hDC && !IsRectEmpty(&ps.rcPaint)) PaintView(hWnd, hDC, ps.rcPaint);
    EndPaint(hWnd, &ps);
    return 0;
}

}  // namespace

LRESULT CALLBACK TTYWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE: return CreateTTYInfo(hWnd);
    case WM_DESTROY: return OnDestroy(hWnd);
    case WM_CLOSE: return OnClose(hWnd, wParam, lParam);
    case WM_SIZE: return SizeTTY(hWnd, HIWORD(lParam), LOWORD(lParam)), 0;
    case WM_SETFOCUS: return SetTTYFocus(hWnd), 0;
    case WM_KILLFOCUS: return KillTTYFocus(hWnd), 0;
    case WM_PAINT: return OnPaint(hWnd);
    case WM_HSCROLL: return ScrollTTYHorz(hWnd, LOWORD(wParam), HIWORD(wParam)), 0;
    case WM_VSCROLL: return ScrollTTYVert(hWnd, LOWORD(wParam), HIWORD(wParam)), 0;
    case WM_KEYDOWN: return OnKeyDown();
    case WM_CHAR: return OnChar(hWnd, wParam);
    case WM_COMMAND: return OnCommand(hWnd, wParam);
    case WM_TIMER: return OnTimer(hWnd, wParam);
    case WM_LBUTTONDOWN: return OnPatternClick(hWnd, lParam);
    case MM_WOM_DONE: return RefillBlock(), 0;
    case MM_MIM_OPEN: return OnMidiOpen(hWnd);
    case MM_MIM_DATA: return OnMidiData(hWnd, lParam);
    default: return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}
