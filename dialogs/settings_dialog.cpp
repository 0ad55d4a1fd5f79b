// The Settings dialog: port, line, terminal options and font, edited in the
// connection record directly. Line and terminal settings change only on Ok; a
// font confirmed in the font chooser applies at once and survives Cancel.
//
// How it works: the dialog runs on the user-interface thread while the watch
// thread may be writing received bytes into the terminal. The auto-wrap and
// new-line modes are read and stored under the screen's lock (ReadTTYModes,
// SetTTYModes), so a received block is written whole under one pair of them;
// fDisplayErrors, which the watch thread's reads look at, is atomic. The other
// fields the dialog stores are used on this thread only.
#include <cstdio>

#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "serial/line_settings.h"
#include "serial/tty_info.h"
#include "terminal/tty_view.h"

namespace {

// The record's address while the dialog is open, as a window property.
const LPCSTR ATOM_TTYINFO = MAKEINTATOM(0x100);
constexpr int PORTS = 4;
constexpr int FIRST_DATA_BITS = 5;
// Only one stop-bit setting is offered.
constexpr WORD STOP_BIT_CHOICES = 1;

TTYINFO* DialogRecord(HWND hDlg) { return static_cast<TTYINFO*>(GetPropA(hDlg, ATOM_TTYINFO)); }

void FillComboBox(HINSTANCE hInstance, HWND hCtrlWnd, int nIDString, const uint32_t* npTable, WORD wTableLen,
                  DWORD dwCurrentSetting)
{
    char szBuffer[81];
    for (WORD i = 0; i < wTableLen; ++i) {
        LoadStringA(hInstance, nIDString + i, szBuffer, sizeof szBuffer);
        LRESULT pos = SendMessageA(hCtrlWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szBuffer));
        SendMessageA(hCtrlWnd, CB_SETITEMDATA, static_cast<WPARAM>(pos), npTable[i]);
        if (npTable[i] == dwCurrentSetting) SendMessageA(hCtrlWnd, CB_SETCURSEL, static_cast<WPARAM>(pos), 0);
    }
}

HINSTANCE DialogInstance(HWND hDlg)
{
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE));
}

BOOL SettingsDlgInit(HWND hDlg)
{
    TTYINFO* npTTYInfo = DialogRecord(hDlg);
    if (npTTYInfo == nullptr) return FALSE;
    HINSTANCE hInstance = DialogInstance(hDlg);
    char szTemp[81], szBuffer[81];

    LoadStringA(hInstance, IDS_COMPREFIX, szTemp, sizeof szTemp);
    HWND hPorts = GetDlgItem(hDlg, IDC_PORTCB);
    for (int n = 1; n <= PORTS; ++n) {
        std::snprintf(szBuffer, sizeof szBuffer, "%s%d", szTemp, n);
        SendMessageA(hPorts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szBuffer));
    }
    SendMessageA(hPorts, CB_SETCURSEL, npTTYInfo->bPort - 1, 0);
    EnableWindow(hPorts, !npTTYInfo->fConnected);

    FillComboBox(hInstance, GetDlgItem(hDlg, IDC_BAUDCB), IDS_BAUD110, BaudTable, BAUD_ROWS, npTTYInfo->dwBaudRate);
    HWND hBits = GetDlgItem(hDlg, IDC_DATABITSCB);
    for (int bits = FIRST_DATA_BITS; bits <= 8; ++bits) {
        std::snprintf(szBuffer, sizeof szBuffer, "%d", bits);
        SendMessageA(hBits, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szBuffer));
    }
    SendMessageA(hBits, CB_SETCURSEL, npTTYInfo->bByteSize - FIRST_DATA_BITS, 0);
    FillComboBox(hInstance, GetDlgItem(hDlg, IDC_PARITYCB), IDS_PARITYNONE, ParityTable, PARITY_ROWS, npTTYInfo->bParity);
    FillComboBox(hInstance, GetDlgItem(hDlg, IDC_STOPBITSCB), IDS_ONESTOPBIT, StopBitsTable, STOP_BIT_CHOICES,
                 npTTYInfo->bStopBits);

    CheckDlgButton(hDlg, IDC_DTRDSR, (npTTYInfo->bFlowCtrl & FLOWCTRL_DTRDSR) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_RTSCTS, (npTTYInfo->bFlowCtrl & FLOWCTRL_RTSCTS) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_XONXOFF, (npTTYInfo->bFlowCtrl & FLOWCTRL_SOFT) ? BST_CHECKED : BST_UNCHECKED);
    const TTYModes modes = ReadTTYModes(npTTYInfo->screen);
    CheckDlgButton(hDlg, IDC_AUTOWRAP, modes.fAutoWrap ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_NEWLINE, modes.fNewLine ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_LOCALECHO, npTTYInfo->fLocalEcho ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(hDlg, IDC_USECNRECEIVE), FALSE);
    CheckDlgButton(hDlg, IDC_DISPLAYERRORS, npTTYInfo->fDisplayErrors ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

DWORD SelectedItemData(HWND hDlg, int id)
{
    HWND h = GetDlgItem(hDlg, id);
    return static_cast<DWORD>(SendMessageA(h, CB_GETITEMDATA, SendMessageA(h, CB_GETCURSEL, 0, 0), 0));
}

int SelectedIndex(HWND hDlg, int id) { return static_cast<int>(SendDlgItemMessageA(hDlg, id, CB_GETCURSEL, 0, 0)); }

bool Checked(HWND hDlg, int id) { return IsDlgButtonChecked(hDlg, id) == BST_CHECKED; }

BOOL SettingsDlgTerm(HWND hDlg)
{
    TTYINFO* npTTYInfo = DialogRecord(hDlg);
    if (npTTYInfo == nullptr) return FALSE;
    npTTYInfo->bPort = static_cast<BYTE>(SelectedIndex(hDlg, IDC_PORTCB) + 1);
    npTTYInfo->dwBaudRate = SelectedItemData(hDlg, IDC_BAUDCB);
    npTTYInfo->bByteSize = static_cast<BYTE>(SelectedIndex(hDlg, IDC_DATABITSCB) + FIRST_DATA_BITS);
    npTTYInfo->bParity = static_cast<BYTE>(SelectedItemData(hDlg, IDC_PARITYCB));
    npTTYInfo->bStopBits = static_cast<BYTE>(SelectedItemData(hDlg, IDC_STOPBITSCB));
    npTTYInfo->bFlowCtrl =
        FlowControlBits(Checked(hDlg, IDC_DTRDSR), Checked(hDlg, IDC_RTSCTS), Checked(hDlg, IDC_XONXOFF));
    SetTTYModes(npTTYInfo->screen, TTYModes{Checked(hDlg, IDC_AUTOWRAP), Checked(hDlg, IDC_NEWLINE)});
    npTTYInfo->fLocalEcho = Checked(hDlg, IDC_LOCALECHO);
    npTTYInfo->fUseCNReceive = Checked(hDlg, IDC_USECNRECEIVE);
    npTTYInfo->fDisplayErrors = Checked(hDlg, IDC_DISPLAYERRORS) ? TRUE : FALSE;
    return TRUE;
}

BOOL SelectTTYFont(HWND hDlg)
{
    TTYINFO* npTTYInfo = DialogRecord(hDlg);
    if (npTTYInfo == nullptr) return FALSE;
    CHOOSEFONTA cfTTYFont = {};
    cfTTYFont.lStructSize = sizeof cfTTYFont;
    cfTTYFont.hwndOwner = hDlg;
    cfTTYFont.lpLogFont = &npTTYInfo->lfTTYFont;
    cfTTYFont.Flags = CF_SCREENFONTS | CF_FIXEDPITCHONLY | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;  // 0x4141
    cfTTYFont.rgbColors = npTTYInfo->rgbFGColor;
    if (ChooseFontA(&cfTTYFont)) {
        npTTYInfo->rgbFGColor = cfTTYFont.rgbColors;
        ResetTTYScreen(GetParent(hDlg), npTTYInfo);
    }
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        SetPropA(hDlg, ATOM_TTYINFO, reinterpret_cast<HANDLE>(lParam));
        return SettingsDlgInit(hDlg);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            SettingsDlgTerm(hDlg);
            EndDialog(hDlg, TRUE);
            return TRUE;
        case IDCANCEL: EndDialog(hDlg, TRUE); return TRUE;
        case IDC_FONTBTN: return SelectTTYFont(hDlg);
        default: return FALSE;
        }
    case WM_DESTROY: RemovePropA(hDlg, ATOM_TTYINFO); return FALSE;
    default: return FALSE;
    }
}
