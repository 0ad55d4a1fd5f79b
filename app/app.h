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
// The main window's class name; the test bed's driver and stand-ins find the
// window by it.
#define TTY_CLASS_NAME "TTYWndClass"
extern char gszTTYClass[12];    // TTY_CLASS_NAME
extern char gszAppName[91];     // 76 spaces and "QUAVERTON v1.0"

// Timer identifiers on the main window: the splash's here; the sequencers'
// (102 and 103) are the pattern subsystem's DRUM_TIMER_ID and PIANO_TIMER_ID.
constexpr UINT_PTR ID_TIMER_SPLASH = 101;

// Start-up: the serial link's requests go to the terminal and the waits that
// keep the sound going (app/app_line_events.cpp).
void InstallLineEvents();

BOOL InitApplication(HINSTANCE hInstance);
HWND InitInstance(HINSTANCE hInstance, int nCmdShow);
LRESULT CALLBACK TTYWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
