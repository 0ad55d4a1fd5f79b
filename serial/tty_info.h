// The connection and terminal record: everything the serial link and the
// terminal view know, owned by the main window from its creation to its
// destruction and kept in its extra window bytes at index 0.
#pragma once

#include <windows.h>

#include <atomic>

#include "terminal/tty_screen.h"

struct TTYINFO {
    HANDLE idComDev;             // the open COM port while fConnected
    BYTE bPort;                  // COM port number, from 1
    TTYScreen screen;            // abScreen, nRow, nColumn, fAutoWrap, fNewLine: under screen.lock
    std::atomic<BOOL> fConnected;  // set while a connection is open (read by the watch thread)
    BOOL fXonXoff;               // kept in the record's layout, cleared at creation and
                                 // never read: XON/XOFF is bFlowCtrl's FLOWCTRL_SOFT bit
    BOOL fLocalEcho;             // sent characters are also written into the terminal
    BOOL fUseCNReceive;          // stored from the Settings dialog; nothing acts on it
    std::atomic<BOOL> fDisplayErrors;  // line error flags are shown as "<CE-%u>" texts (read by
                                       // the watch thread, changed by the Settings dialog)
    BYTE bByteSize;              // data bits, 5..8
    BYTE bFlowCtrl;              // 1 DTR/DSR, 2 RTS/CTS, 4 XON/XOFF
    BYTE bParity;                // DCB parity code
    BYTE bStopBits;              // DCB stop-bit code
    DWORD dwBaudRate;            // bits per second
    WORD wCursorState;           // 0 no caret, 1 caret created and shown
    HFONT hTTYFont;              // made from lfTTYFont by ResetTTYScreen
    LOGFONTA lfTTYFont;          // the terminal font, edited by the font chooser
    DWORD rgbFGColor;            // text colour, 0x00BBGGRR
    int xSize, ySize;            // client size last given to SizeTTY
    int xScroll, yScroll;        // largest scroll positions, pixels
    int xOffset, yOffset;        // current scroll positions, pixels (changed under screen.lock)
    int xChar, yChar;            // character cell size, pixels (changed under screen.lock)
    HANDLE hPostEvent;           // kept in the record's layout: nothing creates it;
                                 // closed at destruction if set
    HANDLE hWatchThread;         // the running watch thread
    HANDLE hWatchEvent;          // kept in the record's layout: nothing uses it
    HWND hTermWnd;               // the window that owns the record
    std::atomic<DWORD> dwThreadID;  // non-zero while the watch thread runs
    OVERLAPPED osWrite;          // writes to the port, with its own manual-reset event
    OVERLAPPED* lpPendingWrite;  // the write pending on the port, or null (user-interface
                                 // thread only: WriteCommBlock)
    OVERLAPPED osRead;           // reads from the port, with its own manual-reset event
};

// The record of a window, or null.
inline TTYINFO* GetTTYInfo(HWND hWnd)
{
    return hWnd ? reinterpret_cast<TTYINFO*>(GetWindowLongPtrA(hWnd, 0)) : nullptr;
}

// Builds the record for a new main window: 1 on success, -1 on failure (the
// window is then not created).
LRESULT CreateTTYInfo(HWND hTTYWnd);

// Closes any open connection and frees the record; FALSE if there was none.
BOOL DestroyTTYInfo(HWND hTTYWnd);
