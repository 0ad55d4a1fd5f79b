// The test driver: a Win32 console program that works the program from outside,
// in its Wine prefix, as a person would: it types, clicks, chooses commands,
// plays MIDI notes, answers message boxes and reads what the window shows.

// Each command prints one result line (listings print several), fields joined
// by '|', and exits 0 on success, 1 on failure or time-out. `qdriver help`
// lists the commands.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

#include "app/app.h"
#include "launcher/byte_escapes.h"
#include "tests/e2e/qdriver_probe.h"

namespace {

const char MAIN_CLASS[] = TTY_CLASS_NAME;
const char DIALOG_CLASS[] = "#32770";
constexpr DWORD POLL_MS = 20;
constexpr DWORD DEFAULT_WAIT_MS = 10000;
constexpr int MSGBOX_TEXT_ID = 0xFFFF;  // the static text of a message box

using Args = std::vector<std::string>;

// ---- Results ----

int Succeed(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    return 0;
}

int Fail(const std::string& why)
{
    std::printf("fail: %s\n", why.c_str());
    return 1;
}

std::string Join(const std::vector<std::string>& fields)
{
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) out += (i ? "|" : "") + fields[i];
    return out;
}

std::string Num(long long v) { return std::to_string(v); }

std::string Hex(const void* p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    return buf;
}

unsigned long ArgNumber(const Args& a, size_t i, unsigned long fallback)
{
    return i < a.size() ? std::strtoul(a[i].c_str(), nullptr, 0) : fallback;
}

DWORD ArgTimeout(const Args& a, size_t i) { return ArgNumber(a, i, DEFAULT_WAIT_MS); }

// ---- Waiting ----

template <typename Ready>
bool WaitFor(DWORD timeoutMs, Ready ready)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(POLL_MS);
    }
}

// ---- Windows and their texts ----

std::string ClassOf(HWND hWnd)
{
    char cls[64] = "";
    GetClassNameA(hWnd, cls, sizeof cls);
    return cls;
}

// The text of a window of any process; WM_GETTEXT reaches controls too.
std::string TextOf(HWND hWnd)
{
    char text[1024] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             2000, &copied))
        GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

DWORD ProcessOf(HWND hWnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    return pid;
}

HWND MainWindow() { return FindWindowA(MAIN_CLASS, nullptr); }

bool MainWindowShown(HWND& hWnd)
{
    hWnd = MainWindow();
    return hWnd != nullptr && IsWindowVisible(hWnd);
}

std::string RectText(const RECT& r)
{
    return Num(r.left) + " " + Num(r.top) + " " + Num(r.right - r.left) + " " + Num(r.bottom - r.top);
}

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> all;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::vector<HWND> ChildWindows(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

bool HasButton(HWND dialog)
{
    for (HWND child : ChildWindows(dialog))
        if (lstrcmpiA(ClassOf(child).c_str(), "Button") == 0) return true;
    return false;
}

bool IsShownDialog(HWND hWnd) { return IsWindowVisible(hWnd) && ClassOf(hWnd) == DIALOG_CLASS; }

// ---- Message boxes and the splash ----

// A message box is a shown dialog with buttons (the splash has none). One of
// the program's own process is preferred; without a main window, any will do.
HWND FindMessageBox()
{
    HWND main = MainWindow();
    const DWORD programPid = main ? ProcessOf(main) : 0;
    HWND any = nullptr;
    for (HWND hWnd : TopLevelWindows()) {
        if (!IsShownDialog(hWnd) || !HasButton(hWnd)) continue;
        if (programPid == 0 || ProcessOf(hWnd) == programPid) return hWnd;
        if (!any) any = hWnd;
    }
    return any;
}

HWND FindSplash()
{
    for (HWND hWnd : TopLevelWindows())
        if (IsShownDialog(hWnd) && !HasButton(hWnd)) return hWnd;
    return nullptr;
}

std::string MessageBoxText(HWND box)
{
    if (HWND text = GetDlgItem(box, MSGBOX_TEXT_ID)) return TextOf(text);
    for (HWND child : ChildWindows(box)) {
        if (lstrcmpiA(ClassOf(child).c_str(), "Static") != 0) continue;
        std::string text = TextOf(child);
        if (!text.empty()) return text;
    }
    return "";
}

std::string DescribeBox(HWND box) { return TextOf(box) + "|" + MessageBoxText(box); }

// ---- Commands: finding and reading the main window ----

bool AskProbe(HWND hWnd, WPARAM request, std::string& reply, const std::string& args = "");

int WaitWindow(const Args& a)
{
    HWND hWnd = nullptr;
    if (!WaitFor(ArgTimeout(a, 0), [&] { return MainWindowShown(hWnd); })) return Fail("no visible main window");
    // The probe is hooked in at once: under Wine, a hook DLL loaded into the
    // program for the first time while its serial watch thread waits on the
    // port can hang the program, so the probe is there before any connection.
    std::string ignored;
    AskProbe(hWnd, qprobe::REQUEST_CURSOR, ignored);
    RECT r;
    GetWindowRect(hWnd, &r);
    return Succeed(Join({RectText(r), TextOf(hWnd), Hex(hWnd)}));
}

int WaitGone(const Args& a)
{
    if (!WaitFor(ArgTimeout(a, 0), [] { return MainWindow() == nullptr; })) return Fail("main window still there");
    return Succeed("gone");
}

// The splash, then the main window: both timed in one process, so the figure
// is not the driver's own start-up time.
int SplashThenWindow(const Args& a)
{
    HWND splash = nullptr;
    if (!WaitFor(ArgTimeout(a, 0), [&] { return (splash = FindSplash()) != nullptr; })) return Fail("no splash");
    const DWORD seen = GetTickCount();
    RECT r;
    GetWindowRect(splash, &r);
    HWND main = nullptr;
    const bool hiddenAtFirst = !MainWindowShown(main);
    if (!WaitFor(20000, [&] { return MainWindowShown(main); })) return Fail("no main window after the splash");
    const bool splashGone = !IsWindow(splash) || !IsWindowVisible(splash);
    char line[160];
    std::snprintf(line, sizeof line, "splash %ld %ld main %s, main shown after %lu ms%s", r.right - r.left,
                  r.bottom - r.top, hiddenAtFirst ? "hidden" : "shown", GetTickCount() - seen,
                  splashGone ? "" : " (splash still up)");
    return Succeed(line);
}

int WaitSplash(const Args& a)
{
    HWND splash = nullptr;
    if (!WaitFor(ArgTimeout(a, 0), [&] { return (splash = FindSplash()) != nullptr; })) return Fail("no splash");
    RECT r;
    GetWindowRect(splash, &r);
    HWND main = nullptr;
    return Succeed(Num(r.right - r.left) + " " + Num(r.bottom - r.top) + "|main " +
                   (MainWindowShown(main) ? "shown" : "hidden"));
}

int WindowRect(HWND hWnd, const Args&)
{
    RECT r, c;
    GetWindowRect(hWnd, &r);
    GetClientRect(hWnd, &c);
    return Succeed(Join({RectText(r), "client " + Num(c.right) + " " + Num(c.bottom)}));
}

int Title(HWND hWnd, const Args&) { return Succeed(TextOf(hWnd)); }

int ClientSize(HWND hWnd, const Args&)
{
    RECT c;
    GetClientRect(hWnd, &c);
    return Succeed(Num(c.right) + " " + Num(c.bottom));
}

// GetPixel on the window's client DC; where Wine cannot read another
// process's window that way, the same point is read from the screen.
int Pixel(HWND hWnd, const Args& a)
{
    POINT p = {static_cast<LONG>(ArgNumber(a, 0, 0)), static_cast<LONG>(ArgNumber(a, 1, 0))};
    HDC dc = GetDC(hWnd);
    COLORREF c = GetPixel(dc, p.x, p.y);
    ReleaseDC(hWnd, dc);
    if (c == CLR_INVALID) {
        ClientToScreen(hWnd, &p);
        HDC screen = GetDC(nullptr);
        c = GetPixel(screen, p.x, p.y);
        ReleaseDC(nullptr, screen);
    }
    if (c == CLR_INVALID) return Fail("pixel outside the window");
    return Succeed(Num(GetRValue(c)) + " " + Num(GetGValue(c)) + " " + Num(GetBValue(c)));
}

int ClientOrigin(HWND hWnd, const Args&)
{
    POINT p = {0, 0};
    ClientToScreen(hWnd, &p);
    return Succeed(Num(p.x) + " " + Num(p.y));
}

int Repaint(HWND hWnd, const Args&)
{
    return RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW) ? Succeed("repainted")
                                                                                            : Fail("RedrawWindow");
}

// Unix time in milliseconds, as the test scripts count it.
long long UnixMilliseconds()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const long long ticks = (static_cast<long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000;
}

// The format of 32-bit pixels (0x00RRGGBB), W x H, rows from the top.
BITMAPINFO TopDown32(int w, int h)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// What a window shows in W x H pixels from (X, Y) of its client area, as
// 32-bit pixels (0x00RRGGBB), row after row from the top.
std::vector<DWORD> WindowPixels(HWND hWnd, int x, int y, int w, int h)
{
    BITMAPINFO info = TopDown32(w, h);
    std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
    HDC windowDC = GetDC(hWnd);
    HDC memory = CreateCompatibleDC(windowDC);
    HBITMAP copy = CreateCompatibleBitmap(windowDC, w, h);
    HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, w, h, windowDC, x, y, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, copy, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(copy);
    DeleteDC(memory);
    ReleaseDC(hWnd, windowDC);
    return pixels;
}

// The client area's pixels as a 24-bit BMP file.
bool WriteClientBitmap(HWND hWnd, const std::string& path)
{
    RECT client;
    GetClientRect(hWnd, &client);
    const int w = client.right, h = client.bottom;
    const std::vector<DWORD> shown = WindowPixels(hWnd, 0, 0, w, h);
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    for (int row = 0; row < h; ++row)  // a BMP's rows run from the bottom up
        for (int col = 0; col < w; ++col) {
            const DWORD p = shown[static_cast<size_t>(h - 1 - row) * w + col];
            BYTE* out = &pixels[static_cast<size_t>(row) * stride + static_cast<size_t>(col) * 3];
            out[0] = p & 0xFF;
            out[1] = (p >> 8) & 0xFF;
            out[2] = (p >> 16) & 0xFF;
        }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}

// At a given Unix time, one rectangle repainted as a received byte has it
// repainted, and at once the client area read into a BMP file: the window as
// it stood right after that paint, whatever a later timer does to it.
int RepaintSnap(HWND hWnd, const Args& a)
{
    const long long at = static_cast<long long>(std::strtoll(a[0].c_str(), nullptr, 10));
    const LONG x = static_cast<LONG>(ArgNumber(a, 1, 0)), y = static_cast<LONG>(ArgNumber(a, 2, 0));
    const RECT rect = {x, y, x + static_cast<LONG>(ArgNumber(a, 3, 8)), y + static_cast<LONG>(ArgNumber(a, 4, 16))};
    for (long long now = UnixMilliseconds(); now < at; now = UnixMilliseconds()) Sleep(static_cast<DWORD>(at - now));
    RedrawWindow(hWnd, &rect, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (!WriteClientBitmap(hWnd, a[5])) return Fail("cannot write " + a[5]);
    return Succeed("snapped at " + std::to_string(UnixMilliseconds()));
}

// Count, median and worst of a set of timings in milliseconds: "n|median|worst".
std::string TimingSummary(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    char line[96];
    std::snprintf(line, sizeof line, "%zu|%.3f|%.3f", ms.size(), ms[ms.size() / 2], ms.back());
    return line;
}

double MillisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Repaints the whole window again and again for a number of seconds, as a
// window dragged over it would have it repainted: the whole window is made
// invalid and the program paints it when its queue has nothing else to do
// (so its other messages, the sound stream's among them, come first); the
// next repaint is asked for once this one is done, after an optional pause.
// count|median ms|worst ms of one repaint as seen from here.
int RepaintLoop(HWND hWnd, const Args& a)
{
    const DWORD seconds = ArgNumber(a, 0, 10);
    const DWORD pauseMs = ArgNumber(a, 1, 0);
    std::vector<double> times;
    const DWORD begun = GetTickCount();
    while (GetTickCount() - begun < seconds * 1000) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        // Painted when the update region is empty again.
        RECT left;
        while (GetUpdateRect(hWnd, &left, FALSE)) {
            if (MillisecondsSince(start) > 5000) return Fail("the window was not repainted");
            Sleep(1);
        }
        times.push_back(MillisecondsSince(start));
        if (pauseMs) Sleep(pauseMs);
    }
    if (times.empty()) return Fail("no repaint");
    return Succeed(TimingSummary(times));
}

// N repaints as the receive path causes them: one character cell (or the
// rectangle given) made invalid, then the window updated at once (RedrawWindow sends WM_PAINT to
// the program's thread and returns when the paint is done); then N empty
// messages sent to the same thread, the part of each repaint that is not
// painting: count|median ms|worst ms of each.
int PaintTimed(HWND hWnd, const Args& a)
{
    const unsigned long n = std::max(1ul, ArgNumber(a, 0, 100));
    const LONG x = static_cast<LONG>(ArgNumber(a, 1, 0)), y = static_cast<LONG>(ArgNumber(a, 2, 0));
    const RECT cell = {x, y, x + static_cast<LONG>(ArgNumber(a, 3, 8)), y + static_cast<LONG>(ArgNumber(a, 4, 16))};
    std::vector<double> paints, trips;
    for (unsigned long i = 0; i < n; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        RedrawWindow(hWnd, &cell, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        paints.push_back(MillisecondsSince(start));
    }
    for (unsigned long i = 0; i < n; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        SendMessageA(hWnd, WM_NULL, 0, 0);
        trips.push_back(MillisecondsSince(start));
    }
    return Succeed("paints " + TimingSummary(paints) + " round trips " + TimingSummary(trips));
}

// ---- Commands: the menu, read inside the program by the probe ----

// The probe DLL beside this program, hooked onto the main window's thread:
// it answers one request there and the hook is removed again.
bool AskProbe(HWND hWnd, WPARAM request, std::string& reply, const std::string& args)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dll = path;
    dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "qdriver_probe.dll";
    HMODULE probe = LoadLibraryA(dll.c_str());
    auto hookProc = probe ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, qprobe::HOOK_EXPORT))) : nullptr;
    if (!hookProc) return false;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(qprobe::Reply),
                                        qprobe::REPLY_BLOCK);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, qprobe::REPLY_READY);
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, hookProc, probe, GetWindowThreadProcessId(hWnd, nullptr));
    bool answered = false;
    auto* block = mapping ? static_cast<qprobe::Reply*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    if (block) {
        lstrcpynA(block->args, args.c_str(), sizeof block->args);
        UnmapViewOfFile(block);
    }
    if (block && ready && hook) {
        ResetEvent(ready);
        PostMessageA(hWnd, RegisterWindowMessageA(qprobe::REQUEST_MESSAGE), request, 0);
        if (WaitForSingleObject(ready, 5000) == WAIT_OBJECT_0) {
            if (auto* r = static_cast<qprobe::Reply*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))) {
                reply.assign(r->text, static_cast<size_t>(r->length));
                UnmapViewOfFile(r);
                answered = true;
            }
        }
    }
    if (hook) UnhookWindowsHookEx(hook);
    if (ready) CloseHandle(ready);
    if (mapping) CloseHandle(mapping);
    return answered;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// Every item: its path of texts, its command (or "popup"), its state.
int MenuList(HWND hWnd, const Args&)
{
    std::string reply;
    if (!AskProbe(hWnd, qprobe::REQUEST_MENU, reply)) return Fail("the probe did not answer");
    std::printf("%s", reply.c_str());
    return 0;
}

int MenuState(HWND hWnd, const Args& a)
{
    std::string reply;
    if (!AskProbe(hWnd, qprobe::REQUEST_MENU, reply)) return Fail("the probe did not answer");
    const std::string id = Num(static_cast<long long>(ArgNumber(a, 0, 0)));
    for (const std::string& line : Lines(reply)) {
        const size_t first = line.find('|');
        if (first == std::string::npos) continue;
        const size_t second = line.find('|', first + 1);
        if (second != std::string::npos && line.compare(first + 1, second - first - 1, id) == 0)
            return Succeed(line.substr(second + 1));
    }
    return Fail("no menu command " + id);
}

// The mouse cursor the program's user-interface thread has set.
int Cursor(HWND hWnd, const Args&)
{
    std::string reply;
    if (!AskProbe(hWnd, qprobe::REQUEST_CURSOR, reply)) return Fail("the probe did not answer");
    return Succeed(reply);
}

// ---- Commands: input ----

int Posted(BOOL ok, const std::string& what) { return ok ? Succeed("posted " + what) : Fail("PostMessage " + what); }

int PostChar(HWND hWnd, const Args& a)
{
    std::string text, why;
    if (!UnescapeBytes(a[0], &text, &why)) return Fail(why);
    const DWORD gap = ArgNumber(a, 1, 0);
    for (unsigned char c : text) {
        if (!PostMessageA(hWnd, WM_CHAR, c, 1)) return Fail("PostMessage WM_CHAR");
        if (gap) Sleep(gap);
    }
    return Succeed("posted " + Num(static_cast<long long>(text.size())) + " chars");
}

// Like PostChar, printing the wall-clock time of each post in Unix
// milliseconds (the same clock the Linux side reads), for latency figures.
int PostCharTimed(HWND hWnd, const Args& a)
{
    std::string text, why;
    if (!UnescapeBytes(a[0], &text, &why)) return Fail(why);
    const DWORD gap = ArgNumber(a, 1, 0);
    for (unsigned char c : text) {
        FILETIME ft;
        GetSystemTimePreciseAsFileTime(&ft);
        const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
        if (!PostMessageA(hWnd, WM_CHAR, c, 1)) return Fail("PostMessage WM_CHAR");
        std::printf("posted %llu\n", (ticks - 116444736000000000ULL) / 10000ULL);
        std::fflush(stdout);
        if (gap) Sleep(gap);
    }
    return 0;
}

int PostKey(HWND hWnd, const Args& a)
{
    const UINT vk = static_cast<UINT>(ArgNumber(a, 0, 0));
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    const BOOL ok = PostMessageA(hWnd, WM_KEYDOWN, vk, scan | 1) &&
                    PostMessageA(hWnd, WM_KEYUP, vk, scan | 1 | (1u << 30) | (1u << 31));
    return Posted(ok, "key " + Num(vk));
}

int PostCommand(HWND hWnd, const Args& a)
{
    const unsigned long id = ArgNumber(a, 0, 0);
    return Posted(PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0), "command " + Num(id));
}

// Sends the command and waits for its handler to return: how long the
// program took over it, as a person choosing the menu item would wait.
int SendCommand(HWND hWnd, const Args& a)
{
    const unsigned long id = ArgNumber(a, 0, 0);
    const DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, ArgTimeout(a, 1), &result))
        return Fail("command " + Num(id) + " did not return");
    return Succeed("returned after " + Num(GetTickCount() - start) + " ms");
}

// Any message, sent and waited for, as another window or the system would
// send it: MSG WPARAM LPARAM, numbers in C notation (0x114 for WM_HSCROLL).
int SendAny(HWND hWnd, const Args& a)
{
    const UINT message = static_cast<UINT>(ArgNumber(a, 0, 0));
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hWnd, message, static_cast<WPARAM>(ArgNumber(a, 1, 0)),
                             static_cast<LPARAM>(ArgNumber(a, 2, 0)), SMTO_NORMAL, DEFAULT_WAIT_MS, &result))
        return Fail("message " + a[0] + " did not return");
    return Succeed("returned " + Num(static_cast<long long>(result)));
}

// Keys pressed as a person presses them, through the system's input (so the
// program's own key state sees them, as its accelerators need): the main
// window is brought to the front, then each virtual key of the list goes
// down in order and up in reverse order. "key-input 0x10 0x21" is Shift+PgUp.
int KeyInput(HWND hWnd, const Args& a)
{
    SetForegroundWindow(hWnd);
    std::vector<INPUT> inputs;
    for (size_t i = 0; i < a.size(); ++i) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = static_cast<WORD>(ArgNumber(a, i, 0));
        inputs.push_back(in);
    }
    for (size_t i = a.size(); i-- > 0;) {
        INPUT in = inputs[i];
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) return Fail("SendInput");
    return Succeed("pressed " + Num(static_cast<long long>(a.size())) + " keys");
}

// A MIDI short message as the MIDI input device delivers it to its window.
int PostMidi(HWND hWnd, const Args& a)
{
    const unsigned long message = ArgNumber(a, 0, 0);
    return Posted(PostMessageA(hWnd, MM_MIM_DATA, 0, static_cast<LPARAM>(message)), "midi " + a[0]);
}

// COUNT notes GAP_MS apart come from this one process, so that no process
// start competes with the sound of the notes already played.
int PostNote(HWND hWnd, const Args& a)
{
    const unsigned long key = ArgNumber(a, 0, 60), velocity = ArgNumber(a, 1, 100);
    const unsigned long count = ArgNumber(a, 2, 1), gap = ArgNumber(a, 3, 0);
    const unsigned long message = 0x90 | (key & 0x7F) << 8 | (velocity & 0x7F) << 16;
    for (unsigned long n = 0; n < count; ++n) {
        if (n > 0) Sleep(gap);
        if (!PostMessageA(hWnd, MM_MIM_DATA, 0, static_cast<LPARAM>(message)))
            return Posted(FALSE, "note " + Num(key));
    }
    return Posted(TRUE, "note " + Num(key) + (count == 1 ? "" : " " + Num(count) + " times"));
}

// Posted, not sent: the close handler runs a message box before it returns.
int SendClose(HWND hWnd, const Args&) { return Posted(PostMessageA(hWnd, WM_CLOSE, 0, 0), "close"); }

// Clicks at each X Y pair in turn. An argument "+MS" waits that long before
// the next click, so that presses land a known time apart in one process
// (PLAY, then STOP 900 ms later) whatever a process start costs.
int Click(HWND hWnd, const Args& a)
{
    int clicks = 0;
    for (size_t i = 0; i < a.size();) {
        if (a[i][0] == '+') {
            Sleep(std::strtoul(a[i].c_str() + 1, nullptr, 10));
            ++i;
            continue;
        }
        if (i + 1 >= a.size()) return Fail("click: an X without its Y");
        const LPARAM at = MAKELPARAM(ArgNumber(a, i, 0), ArgNumber(a, i + 1, 0));
        if (!PostMessageA(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at) || !PostMessageA(hWnd, WM_LBUTTONUP, 0, at))
            return Posted(FALSE, "click " + a[i] + " " + a[i + 1]);
        i += 2;
        ++clicks;
    }
    return clicks == 1 ? Posted(TRUE, "click " + a[0] + " " + a[1]) : Succeed("posted " + Num(clicks) + " clicks");
}

// ---- Commands: the record, the screen and dialogs, read inside the program ----

// One request to the probe; its answer is printed as it is, and a first line
// starting with "fail:" fails the command.
int ProbeCommand(HWND hWnd, WPARAM request, const std::string& args = "")
{
    std::string reply;
    if (!AskProbe(hWnd, request, reply, args)) return Fail("the probe did not answer");
    std::printf("%s", reply.c_str());
    if (!reply.empty() && reply.back() != '\n') std::printf("\n");
    return reply.compare(0, 5, "fail:") == 0 ? 1 : 0;
}

// The value of one "name=value" line of an answer.
int ProbeField(HWND hWnd, WPARAM request, const std::string& name)
{
    std::string reply;
    if (!AskProbe(hWnd, request, reply)) return Fail("the probe did not answer");
    for (const std::string& line : Lines(reply))
        if (line.compare(0, name.size() + 1, name + "=") == 0) return Succeed(line.substr(name.size() + 1));
    return Fail("no field " + name);
}

int Record(HWND hWnd, const Args& a)
{
    return a.empty() ? ProbeCommand(hWnd, qprobe::REQUEST_RECORD) : ProbeField(hWnd, qprobe::REQUEST_RECORD, a[0]);
}

int Tally(HWND hWnd, const Args&) { return ProbeCommand(hWnd, qprobe::REQUEST_TALLY); }
int Resources(HWND hWnd, const Args&) { return ProbeCommand(hWnd, qprobe::REQUEST_RESOURCES); }
int MsgboxIcon(HWND hWnd, const Args&) { return ProbeCommand(hWnd, qprobe::REQUEST_MSGBOX_ICON); }
int Uncover(HWND hWnd, const Args& a)
{
    return ProbeCommand(hWnd, qprobe::REQUEST_UNCOVER, a[0] + " " + a[1] + " " + a[2] + " " + a[3]);
}

int Screen(HWND hWnd, const Args& a)
{
    if (a.empty()) return ProbeCommand(hWnd, qprobe::REQUEST_SCREEN);
    std::string reply;
    if (!AskProbe(hWnd, qprobe::REQUEST_SCREEN, reply)) return Fail("the probe did not answer");
    const std::vector<std::string> lines = Lines(reply);
    const size_t row = ArgNumber(a, 0, 0);
    if (row >= 25 || row >= lines.size()) return Fail("no row " + a[0]);
    return Succeed(lines[row]);
}

int Dialog(HWND hWnd, const Args& a)
{
    if (a.size() < 2) return ProbeCommand(hWnd, qprobe::REQUEST_DIALOG, a[0]);
    std::string reply;
    if (!AskProbe(hWnd, qprobe::REQUEST_DIALOG, reply, a[0])) return Fail("the probe did not answer");
    for (const std::string& line : Lines(reply))
        if (line.compare(0, a[1].size() + 1, a[1] + "|") == 0) return Succeed(line);
    return Fail(reply.compare(0, 5, "fail:") == 0 ? reply.substr(6) : "no control " + a[1]);
}

int DialogSet(HWND hWnd, const Args& a) { return ProbeCommand(hWnd, qprobe::REQUEST_DIALOG_SET, a[0] + "\n" + a[1] + "\n" + a[2]); }

// Whether every character the screen holds in ROW is drawn: each cell holding
// a visible character must show some pixel other than the background there.
// "drawn N of M", then the columns that are blank.
int CellsDrawn(HWND hWnd, const Args& a)
{
    std::string record, screen;
    if (!AskProbe(hWnd, qprobe::REQUEST_RECORD, record) || !AskProbe(hWnd, qprobe::REQUEST_SCREEN, screen))
        return Fail("the probe did not answer");
    auto field = [&record](const std::string& name) {
        for (const std::string& line : Lines(record))
            if (line.compare(0, name.size() + 1, name + "=") == 0) return std::atoi(line.c_str() + name.size() + 1);
        return 0;
    };
    const int xChar = field("xChar"), yChar = field("yChar"), xOffset = field("xOffset"), yOffset = field("yOffset");
    const std::vector<std::string> rows = Lines(screen);
    const size_t nRow = ArgNumber(a, 0, 0);
    if (nRow >= 25 || nRow >= rows.size() || xChar <= 0 || yChar <= 0) return Fail("no row " + a[0]);
    std::string row, why;
    if (!UnescapeBytes(rows[nRow], &row, &why)) return Fail("row " + a[0] + ": " + why);
    const int width = 80 * xChar, top = static_cast<int>(nRow) * yChar - yOffset;
    const std::vector<DWORD> pixels = WindowPixels(hWnd, -xOffset, top, width, yChar);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const DWORD background = (GetRValue(window) << 16) | (GetGValue(window) << 8) | GetBValue(window);
    int drawn = 0, visible = 0;
    std::string missing;
    for (int column = 0; column < 80 && column < static_cast<int>(row.size()); ++column) {
        const unsigned char c = row[column];
        if (c <= ' ' || c >= 0x7F) continue;
        ++visible;
        bool ink = false;
        for (int y = 0; y < yChar && !ink; ++y)
            for (int x = column * xChar; x < (column + 1) * xChar && !ink; ++x)
                ink = (pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF) != background;
        if (ink) ++drawn;
        else missing += " " + Num(column);
    }
    return Succeed("drawn " + Num(drawn) + " of " + Num(visible) + (missing.empty() ? "" : "|blank columns" + missing));
}

// A shown dialog of the program's process with exactly that caption.
HWND FindDialog(const std::string& caption)
{
    HWND main = MainWindow();
    for (HWND hWnd : TopLevelWindows())
        if (IsShownDialog(hWnd) && TextOf(hWnd) == caption && (!main || ProcessOf(hWnd) == ProcessOf(main)))
            return hWnd;
    return nullptr;
}

int WaitDialog(const Args& a)
{
    HWND hDlg = nullptr;
    if (!WaitFor(ArgTimeout(a, 1), [&] { return (hDlg = FindDialog(a[0])) != nullptr; }))
        return Fail("no dialog '" + a[0] + "'");
    RECT r;
    GetWindowRect(hDlg, &r);
    return Succeed(RectText(r));
}

int WaitDialogGone(const Args& a)
{
    if (!WaitFor(ArgTimeout(a, 1), [&] { return FindDialog(a[0]) == nullptr; }))
        return Fail("dialog '" + a[0] + "' still shown");
    return Succeed("gone");
}

// A command from one of the dialog's controls, as a click on it sends.
int DialogCommand(const Args& a)
{
    HWND hDlg = FindDialog(a[0]);
    if (!hDlg) return Fail("no dialog '" + a[0] + "'");
    const int id = static_cast<int>(ArgNumber(a, 1, 0));
    return Posted(PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id))),
                  "command " + a[1]);
}

// The dialog is wiped to its background and repainted, as when it is uncovered.
int DialogRepaint(const Args& a)
{
    HWND hDlg = FindDialog(a[0]);
    if (!hDlg) return Fail("no dialog '" + a[0] + "'");
    return RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW) ? Succeed("repainted")
                                                                                            : Fail("RedrawWindow");
}

// A key pressed while the dialog has the focus.
int DialogKey(const Args& a)
{
    HWND hDlg = FindDialog(a[0]);
    if (!hDlg) return Fail("no dialog '" + a[0] + "'");
    const UINT vk = static_cast<UINT>(ArgNumber(a, 1, 0));
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    const BOOL ok = PostMessageA(hDlg, WM_KEYDOWN, vk, scan | 1) &&
                    PostMessageA(hDlg, WM_KEYUP, vk, scan | 1 | (1u << 30) | (1u << 31));
    return Posted(ok, "key " + a[1]);
}

// Compares what a window shows at (X, Y) of its client area with a BMP file,
// pixel by pixel: "match N of M", and the first difference.
int CompareBitmap(const Args& a)
{
    HWND target = a[0] == "main" ? MainWindow() : FindDialog(a[0]);
    if (!target) return Fail("no window '" + a[0] + "'");
    HBITMAP file = static_cast<HBITMAP>(LoadImageA(nullptr, a[1].c_str(), IMAGE_BITMAP, 0, 0,
                                                   LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!file) return Fail("cannot load " + a[1]);
    BITMAP bm;
    GetObjectA(file, sizeof bm, &bm);
    const int w = bm.bmWidth, h = bm.bmHeight;
    BITMAPINFO info = TopDown32(w, h);
    std::vector<DWORD> expected(static_cast<size_t>(w) * h);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, file, 0, h, expected.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    const std::vector<DWORD> shown =
        WindowPixels(target, static_cast<int>(ArgNumber(a, 2, 0)), static_cast<int>(ArgNumber(a, 3, 0)), w, h);
    DeleteObject(file);
    size_t matches = 0;
    std::string first;
    for (size_t i = 0; i < expected.size(); ++i) {
        if ((expected[i] & 0xFFFFFF) == (shown[i] & 0xFFFFFF)) {
            ++matches;
        } else if (first.empty()) {
            char text[96];
            std::snprintf(text, sizeof text, "|first difference at %zu %zu: %06lx, expected %06lx", i % w, i / w,
                          static_cast<unsigned long>(shown[i] & 0xFFFFFF),
                          static_cast<unsigned long>(expected[i] & 0xFFFFFF));
            first = text;
        }
    }
    return Succeed("match " + Num(static_cast<long long>(matches)) + " of " + Num(static_cast<long long>(expected.size())) + first);
}

// ---- Commands: message boxes ----

int WaitMsgbox(const Args& a)
{
    HWND box = nullptr;
    if (!WaitFor(ArgTimeout(a, 0), [&] { return (box = FindMessageBox()) != nullptr; }))
        return Fail("no message box");
    return Succeed(DescribeBox(box));
}

int NoMsgbox(const Args& a)
{
    HWND box = nullptr;
    if (WaitFor(ArgNumber(a, 0, 1000), [&] { return (box = FindMessageBox()) != nullptr; }))
        return Fail("message box " + DescribeBox(box));
    return Succeed("none");
}

// Presses a button the way a click does (WM_COMMAND with BN_CLICKED from the
// button) and waits for the box to go.
int PressMsgbox(const Args& a)
{
    const int id = static_cast<int>(ArgNumber(a, 0, IDOK));
    HWND box = nullptr;
    if (!WaitFor(ArgTimeout(a, 1), [&] { return (box = FindMessageBox()) != nullptr; }))
        return Fail("no message box");
    const std::string described = DescribeBox(box);
    HWND button = GetDlgItem(box, id);
    if (!button) return Fail("no button " + Num(id) + " on " + described);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!WaitFor(5000, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
        return Fail("the box stayed up: " + described);
    return Succeed("pressed " + Num(id) + "|" + described);
}

// ---- Commands: looking around ----

int ListWindows(const Args&)
{
    for (HWND hWnd : TopLevelWindows())
        std::printf("%s\n", Join({Hex(hWnd), Num(ProcessOf(hWnd)), IsWindowVisible(hWnd) ? "visible" : "hidden",
                                  ClassOf(hWnd), TextOf(hWnd)})
                                .c_str());
    return 0;
}

// The controls of the message box (or, with "main", of the main window).
int Controls(const Args& a)
{
    HWND parent = (!a.empty() && a[0] == "main") ? MainWindow() : FindMessageBox();
    if (!parent) return Fail("no such window");
    for (HWND child : ChildWindows(parent))
        std::printf("%s\n", Join({Num(GetDlgCtrlID(child)), ClassOf(child), TextOf(child)}).c_str());
    return 0;
}

int WaveDevices(const Args&)
{
    const UINT count = waveOutGetNumDevs();
    std::vector<std::string> fields = {Num(count)};
    for (UINT i = 0; i < count; ++i) {
        WAVEOUTCAPSA caps = {};
        if (waveOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR) fields.push_back(caps.szPname);
    }
    return count > 0 ? Succeed(Join(fields)) : Fail("no wave output device");
}

int MidiDevices(const Args&) { return Succeed(Num(midiInGetNumDevs())); }

// ---- Commands: sound ----

// The "fmt " and "data" chunks of a RIFF/WAVE file held in memory.
bool FindWaveChunks(const std::vector<char>& f, WAVEFORMATEX& format, size_t& dataAt, size_t& dataBytes)
{
    if (f.size() < 12 || std::memcmp(f.data(), "RIFF", 4) != 0 || std::memcmp(f.data() + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= f.size();) {
        uint32_t size;
        std::memcpy(&size, f.data() + at + 4, 4);
        if (std::memcmp(f.data() + at, "fmt ", 4) == 0 && size >= 16) {
            format = {};
            std::memcpy(&format, f.data() + at + 8, 16);
            haveFormat = true;
        } else if (std::memcmp(f.data() + at, "data", 4) == 0) {
            dataAt = at + 8;
            dataBytes = std::min<size_t>(size, f.size() - dataAt);
            return haveFormat;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

bool ReadWholeFile(const std::string& path, std::vector<char>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

// Plays a WAV file through the default device and waits until it is done:
// a known sound through the same path as the program's, for the bed's own
// check that what is played can be captured and measured.
int PlayWav(const Args& a)
{
    std::vector<char> file;
    if (!ReadWholeFile(a[0], file)) return Fail("cannot read " + a[0]);
    WAVEFORMATEX format;
    size_t dataAt = 0, dataBytes = 0;
    if (!FindWaveChunks(file, format, dataAt, dataBytes)) return Fail("not a WAV file: " + a[0]);
    HWAVEOUT out = nullptr;
    if (waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return Fail("waveOutOpen");
    WAVEHDR header = {};
    header.lpData = file.data() + dataAt;
    header.dwBufferLength = static_cast<DWORD>(dataBytes);
    const DWORD start = GetTickCount();
    waveOutPrepareHeader(out, &header, sizeof header);
    const bool written = waveOutWrite(out, &header, sizeof header) == MMSYSERR_NOERROR;
    const DWORD playMs = static_cast<DWORD>(dataBytes * 1000ull / (format.nAvgBytesPerSec ? format.nAvgBytesPerSec : 1));
    const bool done = written && WaitFor(playMs + 5000, [&] { return (header.dwFlags & WHDR_DONE) != 0; });
    if (!done) waveOutReset(out);
    waveOutUnprepareHeader(out, &header, sizeof header);
    waveOutClose(out);
    if (!done) return Fail(written ? "the block never came back" : "waveOutWrite");
    return Succeed("played " + Num(static_cast<long long>(dataBytes)) + " bytes|" + Num(GetTickCount() - start) + " ms");
}

// ---- The command table ----

struct Command {
    const char* name;
    const char* usage;
    size_t minArgs;
    int (*run)(const Args&);        // commands that find their own windows
    int (*onMain)(HWND, const Args&);  // commands on the main window
};

const Command COMMANDS[] = {
    {"wait-window", "[ms]  until the main window is shown: x y w h|title|hwnd", 0, WaitWindow, nullptr},
    {"wait-gone", "[ms]  until the main window no longer exists", 0, WaitGone, nullptr},
    {"splash-then-window", "[ms]  the splash, then how long until the main window shows", 0, SplashThenWindow,
     nullptr},
    {"wait-splash", "[ms]  the splash's size|main shown or hidden", 0, WaitSplash, nullptr},
    {"window-rect", "  x y w h|client w h", 0, nullptr, WindowRect},
    {"title", "  the main window's title", 0, nullptr, Title},
    {"client-size", "  w h", 0, nullptr, ClientSize},
    {"pixel", "X Y  r g b at a client point", 2, nullptr, Pixel},
    {"client-origin", "  screen x y of the client area's top-left corner", 0, nullptr, ClientOrigin},
    {"repaint", "  invalidate and repaint the main window", 0, nullptr, Repaint},
    {"repaint-snap", "UNIX_MS X Y W H FILE  at that time repaint the rectangle, then read the client area into a "
                     "BMP file: snapped at UNIX_MS", 6, nullptr, RepaintSnap},
    {"uncover", "X Y W H  draw red over that client rectangle and make it invalid with erasing, as a window moved "
                "across it does", 4, nullptr, Uncover},
    {"repaint-loop", "SECONDS [pause_ms]  repaint over and over: count|median ms|worst ms", 1, nullptr, RepaintLoop},
    {"paint-timed", "N [X Y W H]  N repaints of one cell (0 0 8 16), then N empty round trips: count|median ms|"
                    "worst ms of each", 1,
     nullptr, PaintTimed},
    {"menu-state", "ID  enabled or grayed (|checked)", 1, nullptr, MenuState},
    {"menu-list", "  path|command|state of every menu item", 0, nullptr, MenuList},
    {"cursor", "  the program's mouse cursor: arrow, wait, none or other", 0, nullptr, Cursor},
    {"tally", "  what the terminal was given to write: shown COUNT hash FNV1A", 0, nullptr, Tally},
    {"resources", "  the program's handles, GDI and USER objects and memory", 0, nullptr, Resources},
    {"post-char", "TEXT [gap_ms]  WM_CHAR for each character (\\r \\n \\t \\\\ \\\" \\xNN)", 1, nullptr, PostChar},
    {"post-char-timed", "TEXT gap_ms  post-char, printing each post's Unix time in ms", 2, nullptr, PostCharTimed},
    {"post-key", "VK  WM_KEYDOWN and WM_KEYUP", 1, nullptr, PostKey},
    {"post-command", "ID  WM_COMMAND, as a menu choice", 1, nullptr, PostCommand},
    {"send-command", "ID [ms]  WM_COMMAND, waiting for the handler to return: returned after N ms", 1, nullptr,
     SendCommand},
    {"send-message", "MSG WPARAM LPARAM  any message, sent and waited for: returned N", 1, nullptr, SendAny},
    {"key-input", "VK...  keys pressed together through the system's input, the window in front", 1, nullptr,
     KeyInput},
    {"post-midi", "DWORD  MM_MIM_DATA with a packed short message", 1, nullptr, PostMidi},
    {"post-note", "KEY [VELOCITY [COUNT GAP_MS]]  MM_MIM_DATA note-on (COUNT of them, GAP_MS apart)", 1, nullptr,
     PostNote},
    {"send-close", "  posts WM_CLOSE, as the close box does", 0, nullptr, SendClose},
    {"click", "X Y [+MS] [X Y ...]  left button down and up at client points, waiting MS between", 2, nullptr,
     Click},
    {"wait-msgbox", "[ms]  caption|text of a message box", 0, WaitMsgbox, nullptr},
    {"msgbox-icon", "  the icon of the program's message box: exclamation, hand, question, asterisk, none or other",
     0, nullptr, MsgboxIcon},
    {"no-msgbox", "[ms]  succeeds if no message box appears", 0, NoMsgbox, nullptr},
    {"press-msgbox", "ID [ms]  press button ID (1 OK, 2 Cancel) and wait for the box to go", 1, PressMsgbox,
     nullptr},
    {"controls", "[main]  id|class|text of the message box's (or main window's) controls", 0, Controls, nullptr},
    {"list-windows", "  hwnd|pid|visibility|class|title of every top-level window", 0, ListWindows, nullptr},
    {"wave-devices", "  count|names of the wave output devices", 0, WaveDevices, nullptr},
    {"midi-devices", "  count of the MIDI input devices", 0, MidiDevices, nullptr},
    {"record", "[NAME]  the connection record's fields (name=value), or one's value", 0, nullptr, Record},
    {"screen", "[ROW]  the terminal's 25 rows and the cursor, or one row", 0, nullptr, Screen},
    {"cells-drawn", "ROW  whether every visible character of that screen row is drawn", 1, nullptr, CellsDrawn},
    {"dialog", "CAPTION [ID]  the program's dialog and its controls, or one control", 1, nullptr, Dialog},
    {"dialog-set", "CAPTION ID VALUE  choose a list item, type a text, or check (1) / clear (0)", 3, nullptr,
     DialogSet},
    {"wait-dialog", "CAPTION [ms]  until that dialog shows: x y w h", 1, WaitDialog, nullptr},
    {"wait-dialog-gone", "CAPTION [ms]  until that dialog is gone", 1, WaitDialogGone, nullptr},
    {"dialog-command", "CAPTION ID  the command a click on control ID sends", 2, DialogCommand, nullptr},
    {"dialog-repaint", "CAPTION  wipe the dialog to its background and have it repaint", 1, DialogRepaint, nullptr},
    {"dialog-key", "CAPTION VK  a key pressed in that dialog", 2, DialogKey, nullptr},
    {"compare-bitmap", "main|CAPTION FILE X Y  a BMP against the window's pixels at X Y", 4, CompareBitmap,
     nullptr},
    {"play-wav", "FILE  play a WAV file through the default device, to the end", 1, PlayWav, nullptr},
};

int Help(std::FILE* to, int code)
{
    std::fprintf(to, "usage: qdriver COMMAND [ARGS]\n");
    for (const Command& c : COMMANDS) std::fprintf(to, "  %s %s\n", c.name, c.usage);
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    // Lines end in \n only, for the shell that reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2 || std::strcmp(argv[1], "help") == 0) return Help(argc < 2 ? stderr : stdout, argc < 2 ? 2 : 0);
    const Args args(argv + 2, argv + argc);
    for (const Command& c : COMMANDS) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        if (args.size() < c.minArgs) return Help(stderr, 2);
        if (c.run) return c.run(args);
        HWND hWnd = MainWindow();
        if (!hWnd) return Fail("no main window");
        return c.onMain(hWnd, args);
    }
    std::fprintf(stderr, "qdriver: unknown command '%s'\n", argv[1]);
    return Help(stderr, 2);
}
