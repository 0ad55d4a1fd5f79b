// The driver's probe: a hook DLL loaded into the program when the driver hooks
// its user-interface thread, which answers the driver's requests from inside
// the program (the menu can be read only there) and hides them from it.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "launcher/byte_escapes.h"
#include "serial/tty_info.h"
#include "tests/e2e/process_figures.h"
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

// ---- Dialogs ----

std::string ClassName(HWND hWnd)
{
    char cls[64] = "";
    GetClassNameA(hWnd, cls, sizeof cls);
    return cls;
}

std::string WindowText(HWND hWnd)
{
    char text[512] = "";
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

struct DialogSearch {
    std::string caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    if (ClassName(hWnd) == "#32770" && IsWindowVisible(hWnd) && WindowText(hWnd) == search->caption) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The shown dialog of this thread with that caption.
HWND FindDialog(const std::string& caption)
{
    DialogSearch search{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsComboBox(HWND hCtrl) { return lstrcmpiA(ClassName(hCtrl).c_str(), "ComboBox") == 0; }

std::string ComboItem(HWND hCtrl, LRESULT index)
{
    const LRESULT length = SendMessageA(hCtrl, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(hCtrl, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string DescribeControl(HWND hCtrl)
{
    std::string checked, selection, items;
    const LONG style = GetWindowLongA(hCtrl, GWL_STYLE);
    if (lstrcmpiA(ClassName(hCtrl).c_str(), "Button") == 0) {
        const LONG kind = style & BS_TYPEMASK;
        if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE ||
            kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON)
            checked = SendMessageA(hCtrl, BM_GETCHECK, 0, 0) == BST_CHECKED ? "checked" : "unchecked";
    } else if (IsComboBox(hCtrl)) {
        const LRESULT count = SendMessageA(hCtrl, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) items += (i ? ";" : "") + ComboItem(hCtrl, i);
        const LRESULT current = SendMessageA(hCtrl, CB_GETCURSEL, 0, 0);
        selection = current == CB_ERR ? WindowText(hCtrl) : ComboItem(hCtrl, current);
    }
    return std::to_string(GetDlgCtrlID(hCtrl)) + "|" + ClassName(hCtrl) + "|" + WindowText(hCtrl) + "|" +
           (IsWindowEnabled(hCtrl) ? "enabled" : "disabled") + "|" +
           (IsWindowVisible(hCtrl) ? "visible" : "hidden") + "|" + checked + "|" + selection + "|" + items;
}

BOOL CALLBACK AddControl(HWND hCtrl, LPARAM lParam)
{
    // Only the dialog's own controls, not the parts of a combo box.
    auto* out = reinterpret_cast<std::pair<HWND, std::string>*>(lParam);
    if (GetParent(hCtrl) == out->first) out->second += DescribeControl(hCtrl) + "\n";
    return TRUE;
}

std::string DescribeDialog(const std::string& caption)
{
    HWND hDlg = FindDialog(caption);
    if (hDlg == nullptr) return "fail: no dialog '" + caption + "'\n";
    RECT r;
    GetWindowRect(hDlg, &r);
    std::pair<HWND, std::string> out{hDlg, "dialog|" + caption + "|" + std::to_string(r.left) + " " +
                                               std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
                                               " " + std::to_string(r.bottom - r.top) + "\n"};
    EnumChildWindows(hDlg, AddControl, reinterpret_cast<LPARAM>(&out));
    return out.second;
}

// Tells the dialog what its control did, as the control itself would.
void Notify(HWND hDlg, HWND hCtrl, WORD code)
{
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hCtrl), code), reinterpret_cast<LPARAM>(hCtrl));
}

std::string SetControl(const std::string& args)
{
    const size_t first = args.find('\n');
    const size_t second = first == std::string::npos ? first : args.find('\n', first + 1);
    if (second == std::string::npos) return "fail: caption, id and value expected";
    HWND hDlg = FindDialog(args.substr(0, first));
    if (hDlg == nullptr) return "fail: no dialog '" + args.substr(0, first) + "'";
    HWND hCtrl = GetDlgItem(hDlg, std::atoi(args.substr(first + 1, second - first - 1).c_str()));
    if (hCtrl == nullptr) return "fail: no such control";
    const std::string value = args.substr(second + 1);
    if (IsComboBox(hCtrl)) {
        const LRESULT index = SendMessageA(hCtrl, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(value.c_str()));
        if (index != CB_ERR) {
            SendMessageA(hCtrl, CB_SETCURSEL, index, 0);
            Notify(hDlg, hCtrl, CBN_SELCHANGE);
            return "set";
        }
        if ((GetWindowLongA(hCtrl, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) return "fail: no item '" + value + "'";
        SetWindowTextA(hCtrl, value.c_str());
        Notify(hDlg, hCtrl, CBN_EDITCHANGE);
        return "set";
    }
    if (lstrcmpiA(ClassName(hCtrl).c_str(), "Button") == 0) {
        SendMessageA(hCtrl, BM_SETCHECK, value == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
        Notify(hDlg, hCtrl, BN_CLICKED);
        return "set";
    }
    SetWindowTextA(hCtrl, value.c_str());
    Notify(hDlg, hCtrl, EN_CHANGE);
    return "set";
}

// ---- The connection and terminal record ----

std::string DescribeRecord(HWND hWnd)
{
    const TTYINFO* info = GetTTYInfo(hWnd);
    if (info == nullptr) return "fail: no record\n";
    std::string out;
    auto field = [&out](const char* name, long long value) { out += std::string(name) + "=" + std::to_string(value) + "\n"; };
    field("fConnected", info->fConnected.load());
    field("idComDev", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(info->idComDev)));
    field("dwThreadID", info->dwThreadID.load());
    field("bPort", info->bPort);
    field("dwBaudRate", info->dwBaudRate);
    field("bByteSize", info->bByteSize);
    field("bParity", info->bParity);
    field("bStopBits", info->bStopBits);
    field("bFlowCtrl", info->bFlowCtrl);
    field("fAutoWrap", info->screen.fAutoWrap);
    field("fNewLine", info->screen.fNewLine);
    field("fLocalEcho", info->fLocalEcho);
    field("fUseCNReceive", info->fUseCNReceive);
    field("fDisplayErrors", info->fDisplayErrors);
    field("rgbFGColor", info->rgbFGColor);
    field("xChar", info->xChar);
    field("yChar", info->yChar);
    field("xOffset", info->xOffset);
    field("yOffset", info->yOffset);
    field("xScroll", info->xScroll);
    field("yScroll", info->yScroll);
    field("wCursorState", info->wCursorState);
    field("lfHeight", info->lfTTYFont.lfHeight);
    out += std::string("lfFaceName=") + info->lfTTYFont.lfFaceName + "\n";
    return out;
}

std::string DescribeScreen(HWND hWnd)
{
    TTYINFO* info = GetTTYInfo(hWnd);
    if (info == nullptr) return "fail: no record\n";
    std::lock_guard<std::recursive_mutex> hold(info->screen.lock);
    std::string out;
    const char* cells = reinterpret_cast<const char*>(info->screen.abScreen);
    for (int row = 0; row < MAXROWS; ++row)
        out += EscapeBytes(std::string(cells + row * MAXCOLS, MAXCOLS), ROW_ESCAPES) + "\n";
    return out + "cursor " + std::to_string(info->screen.nRow) + " " + std::to_string(info->screen.nColumn) + "\n";
}

std::string DescribeTally(HWND hWnd)
{
    TTYINFO* info = GetTTYInfo(hWnd);
    if (info == nullptr) return "fail: no record\n";
    std::lock_guard<std::recursive_mutex> hold(info->screen.lock);
    char line[64];
    std::snprintf(line, sizeof line, "shown %llu hash %08x\n",
                  static_cast<unsigned long long>(info->screen.written.count), info->screen.written.hash);
    return line;
}

std::string DescribeResources()
{
    HANDLE self = GetCurrentProcess();
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    K32GetProcessMemoryInfo(self, &memory, sizeof memory);
    unsigned long blocks;
    unsigned long long inUse;
    HeapInUse(&blocks, &inUse);
    char line[200];
    std::snprintf(line, sizeof line,
                  "handles %lu gdi %lu user %lu private_kb %lu working_kb %lu heap_blocks %lu heap_kb %llu\n",
                  static_cast<unsigned long>(CountHandles()),
                  static_cast<unsigned long>(GetGuiResources(self, GR_GDIOBJECTS)),
                  static_cast<unsigned long>(GetGuiResources(self, GR_USEROBJECTS)),
                  static_cast<unsigned long>(PrivateBytes() / 1024),
                  static_cast<unsigned long>(memory.WorkingSetSize / 1024), blocks, inUse / 1024);
    return line;
}

// ---- Answering ----

void Reply(qprobe::Reply* block, const std::string& text)
{
    const size_t n = text.size() < sizeof block->text ? text.size() : sizeof block->text - 1;
    CopyMemory(block->text, text.data(), n);
    block->text[n] = '\0';
    block->length = static_cast<LONG>(n);
}

std::string DescribeCursor()
{
    const HCURSOR cursor = GetCursor();
    if (cursor == nullptr) return "none";
    if (cursor == LoadCursorA(nullptr, IDC_ARROW)) return "arrow";
    if (cursor == LoadCursorA(nullptr, IDC_WAIT)) return "wait";
    return "other";
}

std::string Uncover(HWND hWnd, const std::string& args)
{
    RECT rect;
    LONG w = 0, h = 0;
    if (std::sscanf(args.c_str(), "%ld %ld %ld %ld", &rect.left, &rect.top, &w, &h) != 4) return "fail: X Y W H\n";
    rect.right = rect.left + w;
    rect.bottom = rect.top + h;
    HDC hDC = GetDC(hWnd);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    if (hDC && red) FillRect(hDC, &rect, red);
    if (red) DeleteObject(red);
    if (hDC) ReleaseDC(hWnd, hDC);
    RedrawWindow(hWnd, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE);
    return "uncovered\n";
}

BOOL CALLBACK MatchMessageBox(HWND hWnd, LPARAM lParam)
{
    if (ClassName(hWnd) != "#32770" || !IsWindowVisible(hWnd) || GetDlgItem(hWnd, IDOK) == nullptr) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

BOOL CALLBACK MatchIconControl(HWND hCtrl, LPARAM lParam)
{
    if (lstrcmpiA(ClassName(hCtrl).c_str(), "Static") != 0 || !IsWindowVisible(hCtrl) ||
        (GetWindowLongA(hCtrl, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hCtrl;
    return FALSE;
}

// A message box shows the system's own shared icons, which this process
// loads as the same handles.
std::string DescribeMessageBoxIcon()
{
    HWND box = nullptr, iconControl = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchMessageBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return "fail: no message box";
    EnumChildWindows(box, MatchIconControl, reinterpret_cast<LPARAM>(&iconControl));
    const HICON icon = iconControl ? reinterpret_cast<HICON>(SendMessageA(iconControl, STM_GETICON, 0, 0)) : nullptr;
    if (icon == nullptr) return "none";
    const struct {
        LPCSTR id;
        const char* name;
    } known[] = {{IDI_EXCLAMATION, "exclamation"}, {IDI_HAND, "hand"}, {IDI_QUESTION, "question"},
                 {IDI_ASTERISK, "asterisk"}};
    for (const auto& k : known)
        if (icon == LoadIconA(nullptr, k.id)) return k.name;
    return "other";
}

std::string Answer(HWND hWnd, WPARAM request, const std::string& args)
{
    switch (request) {
    case qprobe::REQUEST_MENU: {
        std::string text;
        HMENU menu = GetMenu(hWnd);
        if (menu) DescribeMenu(menu, "", text);
        else text = "no menu\n";
        return text;
    }
    case qprobe::REQUEST_DIALOG: return DescribeDialog(args);
    case qprobe::REQUEST_DIALOG_SET: return SetControl(args);
    case qprobe::REQUEST_RECORD: return DescribeRecord(hWnd);
    case qprobe::REQUEST_SCREEN: return DescribeScreen(hWnd);
    case qprobe::REQUEST_CURSOR: return DescribeCursor();
    case qprobe::REQUEST_TALLY: return DescribeTally(hWnd);
    case qprobe::REQUEST_RESOURCES: return DescribeResources();
    case qprobe::REQUEST_UNCOVER: return Uncover(hWnd, args);
    case qprobe::REQUEST_MSGBOX_ICON: return DescribeMessageBoxIcon();
    default: return "fail: unknown request\n";
    }
}

// Reads the request's arguments from the driver's block, answers into it and
// tells the driver.
void Serve(HWND hWnd, WPARAM request)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE | FILE_MAP_READ, FALSE, qprobe::REPLY_BLOCK);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, qprobe::REPLY_READY);
    if (mapping && ready) {
        if (auto* block = static_cast<qprobe::Reply*>(MapViewOfFile(mapping, FILE_MAP_WRITE | FILE_MAP_READ, 0, 0, 0))) {
            block->args[sizeof block->args - 1] = '\0';
            Reply(block, Answer(hWnd, request, block->args));
            UnmapViewOfFile(block);
            SetEvent(ready);
        }
    }
    if (ready) CloseHandle(ready);
    if (mapping) CloseHandle(mapping);
}

}  // namespace

extern "C" __attribute__((dllexport)) LRESULT CALLBACK ProbeGetMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT request = RegisterWindowMessageA(qprobe::REQUEST_MESSAGE);
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message == request) {
            Serve(msg->hwnd, msg->wParam);
            msg->message = WM_NULL;  // the program never sees the request
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
