// The test driver: a small Win32 console program that works the real program
// from outside, in the same Wine prefix, the way a person would: it types,
// clicks, chooses menu commands, plays MIDI notes, reads and answers message
// boxes, and reads what the window shows. Each command prints one line and
// exits 0 on success, 1 on failure or time-out.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char MAIN_CLASS[] = "TTYWndClass";

HWND MainWindow() { return FindWindowA(MAIN_CLASS, nullptr); }

// A message box: a dialog window that has buttons (the splash has none).
struct BoxSearch {
    HWND found = nullptr;
};

BOOL CALLBACK HasButton(HWND hChild, LPARAM lParam)
{
    char cls[32];
    GetClassNameA(hChild, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0) {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindBox(HWND hWnd, LPARAM lParam)
{
    char cls[32];
    GetClassNameA(hWnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(hWnd)) return TRUE;
    bool buttons = false;
    EnumChildWindows(hWnd, HasButton, reinterpret_cast<LPARAM>(&buttons));
    if (!buttons) return TRUE;
    reinterpret_cast<BoxSearch*>(lParam)->found = hWnd;
    return FALSE;
}

BOOL CALLBACK FindSplash(HWND hWnd, LPARAM lParam)
{
    char cls[32];
    GetClassNameA(hWnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(hWnd)) return TRUE;
    bool buttons = false;
    EnumChildWindows(hWnd, HasButton, reinterpret_cast<LPARAM>(&buttons));
    if (buttons) return TRUE;
    reinterpret_cast<BoxSearch*>(lParam)->found = hWnd;
    return FALSE;
}

HWND FindMessageBox()
{
    BoxSearch search;
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindStaticText(HWND hChild, LPARAM lParam)
{
    char cls[32];
    GetClassNameA(hChild, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    char text[512];
    if (GetWindowTextA(hChild, text, sizeof text) > 0) {
        *reinterpret_cast<std::string*>(lParam) = text;
        return FALSE;
    }
    return TRUE;
}

template <typename F>
bool WaitFor(int timeoutMs, F ready)
{
    for (int waited = 0;; waited += 50) {
        if (ready()) return true;
        if (waited >= timeoutMs) return false;
        Sleep(50);
    }
}

int Fail(const char* what)
{
    std::printf("fail: %s\n", what);
    return 1;
}

int WaitWindow(int timeoutMs)
{
    HWND hWnd = nullptr;
    if (!WaitFor(timeoutMs, [&] { return (hWnd = MainWindow()) && IsWindowVisible(hWnd); }))
        return Fail("no visible main window");
    RECT r;
    GetWindowRect(hWnd, &r);
    char title[128];
    GetWindowTextA(hWnd, title, sizeof title);
    std::printf("%ld %ld %ld %ld|%s\n", r.left, r.top, r.right - r.left, r.bottom - r.top, title);
    return 0;
}

int WaitBox(int timeoutMs)
{
    HWND box = nullptr;
    if (!WaitFor(timeoutMs, [&] { return (box = FindMessageBox()) != nullptr; })) return Fail("no message box");
    char caption[256];
    GetWindowTextA(box, caption, sizeof caption);
    std::string text;
    EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&text));
    std::printf("%s|%s\n", caption, text.c_str());
    return 0;
}

int PressBox(int id)
{
    HWND box = FindMessageBox();
    if (!box) return Fail("no message box");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    std::printf("pressed %d\n", id);
    return 0;
}

int MenuState(HWND hWnd, UINT id)
{
    UINT state = GetMenuState(GetMenu(hWnd), id, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) return Fail("no such menu item");
    std::printf("%s\n", state & (MF_GRAYED | MF_DISABLED) ? "grayed" : "enabled");
    return 0;
}

int Pixel(HWND hWnd, int x, int y)
{
    HDC hDC = GetDC(hWnd);
    COLORREF c = GetPixel(hDC, x, y);
    ReleaseDC(hWnd, hDC);
    std::printf("%u %u %u\n", GetRValue(c), GetGValue(c), GetBValue(c));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: qdriver wait-window MS | wait-msgbox MS | no-msgbox MS | press ID | chars TEXT\n"
                     "       | command ID | midi DWORD | close | menu-state ID | pixel X Y | client-size\n");
        return 2;
    }
    const std::string cmd = argv[1];
    auto arg = [&](int i) { return i < argc ? std::strtol(argv[i], nullptr, 0) : 0L; };
    if (cmd == "wait-window") return WaitWindow(static_cast<int>(arg(2)));
    if (cmd == "wait-msgbox") return WaitBox(static_cast<int>(arg(2)));
    if (cmd == "no-msgbox") {
        bool none = !WaitFor(static_cast<int>(arg(2)), [] { return FindMessageBox() != nullptr; });
        std::printf(none ? "none\n" : "message box\n");
        return none ? 0 : 1;
    }
    if (cmd == "press") return PressBox(static_cast<int>(arg(2)));
    if (cmd == "splash-then-window") {
        // Both in one process, so the figure is not the driver's own start-up.
        BoxSearch search;
        if (!WaitFor(static_cast<int>(arg(2)), [&] {
                EnumWindows(FindSplash, reinterpret_cast<LPARAM>(&search));
                return search.found != nullptr;
            }))
            return Fail("no splash");
        const DWORD seen = GetTickCount();
        RECT r;
        GetWindowRect(search.found, &r);
        HWND hMain = MainWindow();
        const bool hidden = !(hMain && IsWindowVisible(hMain));
        if (!WaitFor(20000, [&] { return (hMain = MainWindow()) && IsWindowVisible(hMain); }))
            return Fail("no main window after the splash");
        const bool splashGone = !IsWindowVisible(search.found);
        std::printf("splash %ld %ld main %s, main shown after %lu ms%s\n", r.right - r.left, r.bottom - r.top,
                    hidden ? "hidden" : "shown", GetTickCount() - seen, splashGone ? "" : " (splash still up)");
        return 0;
    }
    if (cmd == "wait-splash") {
        BoxSearch search;
        if (!WaitFor(static_cast<int>(arg(2)), [&] {
                EnumWindows(FindSplash, reinterpret_cast<LPARAM>(&search));
                return search.found != nullptr;
            }))
            return Fail("no splash");
        RECT r;
        GetWindowRect(search.found, &r);
        HWND hMain = MainWindow();
        std::printf("%ld %ld|main %s\n", r.right - r.left, r.bottom - r.top,
                    hMain && IsWindowVisible(hMain) ? "shown" : "hidden");
        return 0;
    }

    HWND hWnd = MainWindow();
    if (!hWnd) return Fail("no main window");
    if (cmd == "chars") {
        for (const char* p = argc > 2 ? argv[2] : ""; *p; ++p) {
            PostMessageA(hWnd, WM_CHAR, static_cast<unsigned char>(*p), 1);
            Sleep(arg(3));
        }
        std::printf("typed\n");
        return 0;
    }
    if (cmd == "command") return PostMessageA(hWnd, WM_COMMAND, static_cast<WPARAM>(arg(2)), 0) ? 0 : Fail("post");
    if (cmd == "midi") return PostMessageA(hWnd, MM_MIM_DATA, 0, static_cast<LPARAM>(arg(2))) ? 0 : Fail("post");
    if (cmd == "close") return PostMessageA(hWnd, WM_CLOSE, 0, 0) ? 0 : Fail("post");
    if (cmd == "menu-state") return MenuState(hWnd, static_cast<UINT>(arg(2)));
    if (cmd == "pixel") return Pixel(hWnd, static_cast<int>(arg(2)), static_cast<int>(arg(3)));
    if (cmd == "repaint") return RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE) ? 0 : 1;
    if (cmd == "client-size") {
        RECT r;
        GetClientRect(hWnd, &r);
        std::printf("%ld %ld\n", r.right, r.bottom);
        return 0;
    }
    return Fail("unknown command");
}
