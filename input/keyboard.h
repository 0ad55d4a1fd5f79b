// The PC keyboard's messages on the main window: every typed character plays
// through the key map and then goes to the line.
#pragma once

#include <windows.h>

LRESULT OnChar(HWND hWnd, WPARAM wParam);
LRESULT OnKeyDown();
