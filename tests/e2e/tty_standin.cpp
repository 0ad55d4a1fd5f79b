// A stand-in for the program's main window, for checking the test bed and its
// driver on their own; it logs every input it gets to events.log in its
// working folder.

// The same window class, a hidden start and a late show, a small menu
// (Connect 256 enables Disconnect 257 and back), the same close confirmation
// and start-up error box, and known colours to read back.
//   tty_standin.exe [--exit-code N] [--show-after MS]
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR ID_TIMER_SHOW = 1;
constexpr COLORREF BACKGROUND = RGB(32, 96, 192);
constexpr COLORREF MARK = RGB(255, 0, 0);       // a fixed square at (10, 10)-(50, 50)
constexpr COLORREF CLICK_MARK = RGB(255, 255, 0);  // an 8 x 8 square where the last click was
constexpr int CLICK_MARK_HALF = 4;

const char CLASS_NAME[] = TTY_CLASS_NAME;
const char TITLE[] = "                                                                            TTY STAND-IN";
const char EVENTS_FILE[] = "events.log";

int gExitCode = 0;
UINT gShowAfterMs = 1000;
bool gClicked = false;
POINT gLastClick = {};

// One line per input, written at once so a test can read it while we run.
void LogEvent(const char* format, unsigned long a = 0, unsigned long b = 0)
{
    if (std::FILE* f = std::fopen(EVENTS_FILE, "ab")) {
        std::fprintf(f, format, a, b);
        std::fputc('\n', f);
        std::fclose(f);
    }
}

void ReadCommandLine(const char* line)
{
    if (const char* p = std::strstr(line, "--exit-code ")) gExitCode = std::atoi(p + 12);
    if (const char* p = std::strstr(line, "--show-after ")) gShowAfterMs = static_cast<UINT>(std::atoi(p + 13));
}

HMENU BuildMenu()
{
    HMENU action = CreatePopupMenu();
    AppendMenuA(action, MF_STRING, IDM_CONNECT, "&Connect");
    AppendMenuA(action, MF_STRING | MF_GRAYED, IDM_DISCONNECT, "&Disconnect");
    AppendMenuA(action, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(action, MF_STRING, IDM_EXIT, "E&xit");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(action), "&Action");
    return bar;
}

void SetConnected(HWND hWnd, bool connected)
{
    HMENU menu = GetMenu(hWnd);
    EnableMenuItem(menu, IDM_CONNECT, MF_BYCOMMAND | (connected ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(menu, IDM_DISCONNECT, MF_BYCOMMAND | (connected ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(hWnd);
}

void FillRectWith(HDC dc, const RECT& r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

LRESULT OnPaint(HWND hWnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    RECT client;
    GetClientRect(hWnd, &client);
    FillRectWith(dc, client, BACKGROUND);
    FillRectWith(dc, RECT{10, 10, 50, 50}, MARK);
    if (gClicked)
        FillRectWith(dc,
                     RECT{gLastClick.x - CLICK_MARK_HALF, gLastClick.y - CLICK_MARK_HALF,
                          gLastClick.x + CLICK_MARK_HALF, gLastClick.y + CLICK_MARK_HALF},
                     CLICK_MARK);
    EndPaint(hWnd, &ps);
    return 0;
}

LRESULT OnCommand(HWND hWnd, WPARAM wParam)
{
    const UINT id = LOWORD(wParam);
    LogEvent("command %lu", id);
    if (id == IDM_CONNECT) SetConnected(hWnd, true);
    if (id == IDM_DISCONNECT) SetConnected(hWnd, false);
    if (id == IDM_EXIT) PostMessageA(hWnd, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT OnClick(HWND hWnd, LPARAM lParam)
{
    gLastClick = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    gClicked = true;
    LogEvent("click %lu %lu", static_cast<unsigned long>(gLastClick.x), static_cast<unsigned long>(gLastClick.y));
    InvalidateRect(hWnd, nullptr, FALSE);
    return 0;
}

LRESULT OnClose(HWND hWnd)
{
    LogEvent("close asked");
    if (MessageBoxA(hWnd, "OK to close window?", "TTY Sample", MB_ICONQUESTION | MB_OKCANCEL) == IDOK)
        DestroyWindow(hWnd);
    else
        LogEvent("close cancelled");
    return 0;
}

LRESULT OnShowTimer(HWND hWnd)
{
    KillTimer(hWnd, ID_TIMER_SHOW);
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    return 0;
}

LRESULT CALLBACK StandInProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: return OnPaint(hWnd);
    case WM_CHAR: return LogEvent("char %lu", static_cast<unsigned long>(wParam)), 0;
    case WM_KEYDOWN: return LogEvent("keydown %lu", static_cast<unsigned long>(wParam)), 0;
    case WM_COMMAND: return OnCommand(hWnd, wParam);
    case WM_LBUTTONDOWN: return OnClick(hWnd, lParam);
    case MM_MIM_DATA: return LogEvent("midi 0x%08lx", static_cast<unsigned long>(lParam)), 0;
    case WM_TIMER: return wParam == ID_TIMER_SHOW ? OnShowTimer(hWnd) : 0;
    case WM_CLOSE: return OnClose(hWnd);
    case WM_DESTROY: return LogEvent("destroyed"), PostQuitMessage(gExitCode), 0;
    default: return DefWindowProcA(hWnd, msg, wParam, lParam);
    }
}

// The same first start-up check as the program's: no bank 1, no program.
bool BankFilePresent(HWND hWnd)
{
    if (GetFileAttributesA("SAMPLE2.WAV") != INVALID_FILE_ATTRIBUTES) return true;
    MessageBoxA(hWnd, "ERROR OPENING WAVE FILE SAMPLE2.WAV", "ERROR", MB_ICONWARNING | MB_OK);
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    ReadCommandLine(lpCmdLine);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = CLASS_NAME;
    if (!RegisterClassA(&wc)) return 1;
    HWND hWnd = CreateWindowExA(0, CLASS_NAME, TITLE, WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, BuildMenu(),
                                hInstance, nullptr);
    if (!hWnd) return 1;
    LogEvent("started");
    if (!BankFilePresent(hWnd)) return 0;
    SetTimer(hWnd, ID_TIMER_SHOW, gShowAfterMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
