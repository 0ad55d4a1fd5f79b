// The modal dialogs: the Settings dialog for port, line and terminal options,
// and the About box with its logo.
#pragma once

#include <windows.h>

// Runs a dialog template modally over the main window; the result is discarded.
void GoModalDialogBoxParam(HINSTANCE hInstance, LPCSTR lpszTemplate, HWND hTTYWnd, DLGPROC lpDlgProc,
                           LPARAM lParam);

INT_PTR CALLBACK SettingsDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
