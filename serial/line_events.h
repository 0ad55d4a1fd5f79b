// What the serial link asks of the rest of the program: it shows received
// bytes and line-error texts, lets the terminal take a new record's font and
// cell size and show its caret once a connection is open, and waits without
// stopping the sound. The application fills this in and hands it over with
// SetLineEvents before the main window is created; serial/ itself knows
// nothing of the terminal view or the application.
#pragma once

#include <windows.h>

struct TTYINFO;

class LineEvents {
public:
    // A new record: its font and cell size are made from its font settings.
    virtual void RecordMade(HWND hTTYWnd, TTYINFO* npTTYInfo) = 0;
    // Bytes for the terminal: received bytes and the line-error texts of reads
    // (on the watch thread), or the line-error texts of writes (on the
    // user-interface thread).
    virtual void ShowBytes(HWND hTTYWnd, const BYTE* lpBlock, int nLength) = 0;
    // A connection was opened: the terminal shows its caret.
    virtual void Connected(HWND hTTYWnd) = 0;
    // A wait of the user-interface thread until hObject is signalled, and a
    // pause of up to dwMilliseconds; both keep the sound stream fed.
    virtual DWORD WaitFor(HANDLE hObject) = 0;
    virtual void Pause(DWORD dwMilliseconds) = 0;

protected:
    ~LineEvents() = default;
};

// The events every serial function reports to from now on; until set, they
// go nowhere and waits are plain waits.
void SetLineEvents(LineEvents& events);
LineEvents& CurrentLineEvents();
