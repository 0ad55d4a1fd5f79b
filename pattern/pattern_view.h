// The pattern view in the main window: drawn over the terminal from the
// bitmaps, edited by left-button presses, clocked by timers 102 and 103.
#pragma once

#include <windows.h>

void InitPatternClocks(HWND hWnd);   // start-up: the state and both timers
void PaintPatterns(HWND hWnd);       // after the terminal has painted
void OnPatternTimer(HWND hWnd, WPARAM idTimer);
LRESULT OnPatternClick(HWND hWnd, LPARAM lParam);
