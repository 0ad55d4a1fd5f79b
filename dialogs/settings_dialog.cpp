// The Settings dialog. This version shows the template and closes on Ok or
// Cancel, storing nothing; the lists and check boxes are not filled yet.
#include "dialogs/dialogs.h"

INT_PTR CALLBACK SettingsDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    if (uMsg == WM_INITDIALOG) return TRUE;
    if (uMsg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hDlg, TRUE);
        return TRUE;
    }
    return FALSE;
}
