// The About box: the logo at (10, 10), closed by the Enter key (command 1);
// Escape and the menu bar's commands leave it open.
#include <cstdio>

#include "dialogs/dialogs.h"
#include "resources/resource.h"

namespace {

// Replaces a control's text with its own text used as a format. Acts only on
// controls the template has.
template <typename... Args>
void FormatControlText(HWND hDlg, int id, Args... args)
{
    HWND hCtrl = GetDlgItem(hDlg, id);
    if (hCtrl == nullptr) return;
    char szFormat[128], szText[128];
    GetWindowTextA(hCtrl, szFormat, sizeof szFormat);
    std::snprintf(szText, sizeof szText, szFormat, args...);
    SetWindowTextA(hCtrl, szText);
}

BOOL OnAboutInit(HWND hDlg)
{
    if (HWND hIcon = GetDlgItem(hDlg, IDC_ABOUT_ICON)) ShowWindow(hIcon, SW_HIDE);
    const DWORD version = GetVersion();
    FormatControlText(hDlg, IDC_ABOUT_OSVERSION, static_cast<unsigned>(LOBYTE(LOWORD(version))),
                      static_cast<unsigned>(HIBYTE(LOWORD(version))));
    FormatControlText(hDlg, IDC_ABOUT_BUILDVERSION, 3, 10, 0);
    if (HWND hNote = GetDlgItem(hDlg, IDC_ABOUT_NOTE)) {
        char szBlank[8] = "";
        LoadStringA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE)), IDS_BLANK, szBlank,
                    sizeof szBlank);
        SetWindowTextA(hNote, szBlank);
    }
    if (HWND hMode = GetDlgItem(hDlg, IDC_ABOUT_MODE)) SetWindowTextA(hMode, "NT Mode");
    return TRUE;
}

void PaintLogo(HWND hDlg)
{
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(hDlg, &ps);
    if (HDC hMemDC = CreateCompatibleDC(hDC)) {
        HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE));
        HBITMAP hLogo = LoadBitmapA(hInstance, MAKEINTRESOURCEA(IDB_LOGO));
        HGDIOBJ hOld = SelectObject(hMemDC, hLogo);
        BitBlt(hDC, 10, 10, 64, 64, hMemDC, 0, 0, SRCCOPY);
        SelectObject(hMemDC, hOld);
        DeleteObject(hLogo);
        DeleteDC(hMemDC);
    }
    EndPaint(hDlg, &ps);
}

}  // namespace

void GoModalDialogBoxParam(HINSTANCE hInstance, LPCSTR lpszTemplate, HWND hTTYWnd, DLGPROC lpDlgProc,
                           LPARAM lParam)
{
    DialogBoxParamA(hInstance, lpszTemplate, hTTYWnd, lpDlgProc, lParam);
}

INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG: return OnAboutInit(hDlg);
    case WM_PAINT: PaintLogo(hDlg); return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK) return FALSE;
        EndDialog(hDlg, TRUE);
        return TRUE;
    default: return FALSE;
    }
}
