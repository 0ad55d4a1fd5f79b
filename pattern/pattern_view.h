// The pattern view in the main window: drawn over the terminal from the
// bitmaps, edited by left-button presses, clocked by timers 102 and 103.
#pragma once

#include <windows.h>

// Start-up: the view's bitmaps, loaded from the program's resources and kept
// until ClosePatternView (at the main window's destruction).
void OpenPatternView(HINSTANCE hInstance);
void ClosePatternView();
// Start-up: the state and both timers, and a repaint if the window shows already.
void InitPatternClocks(HWND hWnd);
// Within a paint of hDC, after the terminal has painted rcRepainted (the
// paint's bounds): the elements that meet it, and those they cover, are drawn
// again; every element, if the view has changed since it was last put on the
// window in full.
void PaintPatterns(HWND hWnd, HDC hDC, const RECT& rcRepainted);
void OnPatternTimer(HWND hWnd, WPARAM idTimer);
LRESULT OnPatternClick(HWND hWnd, LPARAM lParam);
