// The application shell's program-wide values, and the handlers of the main
// window's own messages (menu commands, close, destroy, the splash timer).
#pragma once

#include <windows.h>

// ---- Program-wide shell state ----
extern HWND hTTYWnd;            // the main window; owner of start-up messages
extern HACCEL ghAccel;          // accelerator table 200
extern HWND hwsplash;           // the splash window; 0 until created
extern HINSTANCE ghInstance;    // the program's module, for its resources
extern const DWORD SPLASHTIME;  // how long the splash stays up, ms
extern char gszTTYClass[12];    // "TTYWndClass"
extern char gszAppName[91];     // 76 spaces and "QUAVERTON v1.0"

// Timer identifiers on the main window.
constexpr UINT_PTR ID_TIMER_SPLASH = 101;
constexpr UINT_PTR ID_TIMER_DRUM = 102;
constexpr UINT_PTR ID_TIMER_PIANO = 103;

BOOL InitApplication(HINSTANCE hInstance);
HWND InitInstance(HINSTANCE hInstance, int nCmdShow);
LRESULT CALLBACK TTYWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
