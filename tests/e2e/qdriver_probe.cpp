// The driver's probe: a hook DLL loaded into the program when the driver hooks
// its user-interface thread, which answers the driver's requests from inside
// the program (the menu can be read only there) and hides them from it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "serial/tty_info.h"
#include "tests/e2e/qdriver_probe.h"

namespace {

std::string StateText(UINT state)
{
    std::string text = (state & (MF_GRAYED | MF_DISABLED)) ? "grayed" : "enabled";
    if (state & MF_CHECKED) text += "|checked";
    return text;
}

void DescribeMenu(HMENU menu, const std::string& path, std::string& out)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[128] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i)) {
            out += path + text + "|popup|" + StateText(state & 0xFF) + "\n";
            DescribeMenu(sub, path + text + "/", out);
        } else if (state & MF_SEPARATOR) {
            out += path + "-|separator\n";
        } else {
            out += path + text + "|" + std::to_string(GetMenuItemID(menu, i)) + "|" + StateText(state) + "\n";
        }
    }
}

// The program's own screen memory, read on its user-interface thread. The
// watch thread may be writing a byte meanwhile; a caller that needs a settled
// screen asks again until two readings agree.
std::string DescribeScreen(HWND hWnd)
{
    const TTYINFO* info = GetTTYInfo(hWnd);
    if (info == nullptr) return "no terminal\n";
    std::string out;
    for (int row = 0; row < MAXROWS; ++row) {
        const unsigned char* cells = info->screen.abScreen + row * MAXCOLS;
        int used = MAXCOLS;
        while (used > 0 && cells[used - 1] == ' ') --used;
        out += std::to_string(row) + "|";
        for (int c = 0; c < used; ++c) {
            if (cells[c] >= 0x20 && cells[c] < 0x7F && cells[c] != '\\') {
                out += static_cast<char>(cells[c]);
                continue;
            }
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", cells[c]);
            out += escaped;
        }
        out += "\n";
    }
    return out + "cursor|" + std::to_string(info->screen.nRow) + " " + std::to_string(info->screen.nColumn) + "\n";
}

std::string DescribeCursor()
{
    const HCURSOR cursor = GetCursor();
    if (cursor == nullptr) return "none";
    if (cursor == LoadCursorA(nullptr, IDC_ARROW)) return "arrow";
    if (cursor == LoadCursorA(nullptr, IDC_WAIT)) return "wait";
    return "other";
}

void Reply(const std::string& text)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, qprobe::REPLY_BLOCK);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, qprobe::REPLY_READY);
    if (mapping && ready) {
        if (auto* reply = static_cast<qprobe::Reply*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))) {
            const size_t n = text.size() < sizeof reply->text ? text.size() : sizeof reply->text - 1;
            CopyMemory(reply->text, text.data(), n);
            reply->text[n] = '\0';
            reply->length = static_cast<LONG>(n);
            UnmapViewOfFile(reply);
            SetEvent(ready);
        }
    }
    if (ready) CloseHandle(ready);
    if (mapping) CloseHandle(mapping);
}

void Answer(HWND hWnd, WPARAM request)
{
    std::string text;
    if (request == qprobe::REQUEST_MENU) {
        HMENU menu = GetMenu(hWnd);
        if (menu) DescribeMenu(menu, "", text);
        else text = "no menu\n";
    } else if (request == qprobe::REQUEST_SCREEN) {
        text = DescribeScreen(hWnd);
    } else if (request == qprobe::REQUEST_CURSOR) {
        text = DescribeCursor();
    }
    Reply(text);
}

}  // namespace

extern "C" __attribute__((dllexport)) LRESULT CALLBACK ProbeGetMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT request = RegisterWindowMessageA(qprobe::REQUEST_MESSAGE);
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message == request) {
            Answer(msg->hwnd, msg->wParam);
            msg->message = WM_NULL;  // the program never sees the request
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
