// The pattern view in the main window: drawn over the terminal from the
// bitmaps, edited by left-button presses, clocked by timers 102 and 103.
#pragma once

#include <windows.h>

// Start-up: the view's bitmaps, loaded from the program's resources and kept
// until ClosePatternView (at the main window's destruction).
void OpenPatternView(HINSTANCE hInstance);
void ClosePatternView();
void InitPatternClocks(HWND hWnd);   // start-up: the state and both timers
// Within a paint of hDC, after the terminal has painted rcRepainted (the
// paint's bounds): the elements that meet it, and those they cover, are drawn
// again.
void PaintPatterns(HDC hDC, const RECT& rcRepainted);
void OnPatternTimer(HWND hWnd, WPARAM idTimer);
LRESULT OnPatternClick(HWND hWnd, LPARAM lParam);
