// Port connection management: open, configure, watch and close the COM port.
//
// How it works: all three operations run on the user-interface thread. The
// watch thread is started by OpenConnection after fConnected is set, and ends
// when CloseConnection clears fConnected and sets the port's event mask to 0.
// The watch thread has the window repainted after every byte and waits for
// that repaint, so CloseConnection waits for the thread while still serving
// the messages sent to the window; a plain blocking wait would deadlock. The
// same wait keeps the sound stream fed.
#include "serial/connection.h"

#include <cstdio>

#include "resources/resource.h"
#include "serial/line_events.h"
#include "serial/line_settings.h"
#include "serial/tty_info.h"
#include "serial/watch_thread.h"

namespace {

// Reads take what has arrived (waiting up to 1 s only should the port not
// hand over bytes it counted); a write may take about two character times per
// byte (WriteTimeoutMultiplier) before it counts as timed out.
void SetTimeouts(HANDLE idComDev, DWORD dwBaudRate)
{
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 0xFFFFFFFF;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 1000;
    timeouts.WriteTotalTimeoutMultiplier = WriteTimeoutMultiplier(dwBaudRate);
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(idComDev, &timeouts);
}

void ClosePort(TTYINFO* npTTYInfo)
{
    npTTYInfo->fConnected = FALSE;
    CloseHandle(npTTYInfo->idComDev);
    npTTYInfo->idComDev = nullptr;
}

// Waits for the watch thread to end while serving the messages other threads
// send to this one (the watch thread's repaints among them) and the sound
// stream's notifications.
void WaitForWatchThread(TTYINFO* npTTYInfo)
{
    HANDLE hThread = npTTYInfo->hWatchThread;
    while (npTTYInfo->dwThreadID != 0) {
        if (hThread && CurrentLineEvents().WaitFor(hThread) == WAIT_OBJECT_0) break;
        CurrentLineEvents().Pause(10);
    }
    if (hThread) CloseHandle(hThread);
    npTTYInfo->hWatchThread = nullptr;
    npTTYInfo->dwThreadID = 0;
}

}  // namespace

BOOL OpenConnection(HWND hTTYWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    // Connect is greyed while connected, but its command can still arrive
    // (posted by another program): the live connection is kept as it is, and
    // no second handle is opened over it.
    if (npTTYInfo->fConnected) return TRUE;
    HCURSOR hOldCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    struct RestoreCursor {
        HCURSOR h;
        ~RestoreCursor() { SetCursor(h); }
    } restore{hOldCursor};

    char szTemp[10] = "COM";
    char szPort[24];
    // The window's own module holds the string table.
    const HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hTTYWnd, GWLP_HINSTANCE));
    LoadStringA(hInstance, IDS_COMPREFIX, szTemp, sizeof szTemp);
    std::snprintf(szPort, sizeof szPort, "%s%d", szTemp, npTTYInfo->bPort);

    npTTYInfo->idComDev = CreateFileA(szPort, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (npTTYInfo->idComDev == INVALID_HANDLE_VALUE) {
        npTTYInfo->idComDev = nullptr;
        return FALSE;
    }
    SetCommMask(npTTYInfo->idComDev, EV_RXCHAR);
    SetupComm(npTTYInfo->idComDev, PORT_QUEUE_BYTES, PORT_QUEUE_BYTES);
    PurgeComm(npTTYInfo->idComDev, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    SetTimeouts(npTTYInfo->idComDev, npTTYInfo->dwBaudRate);

    if (!SetupConnection(hTTYWnd)) {
        ClosePort(npTTYInfo);
        return FALSE;
    }
    npTTYInfo->fConnected = TRUE;
    DWORD dwThreadID = 0;
    // The id is stored before the thread can end, so its clearing is never lost.
    npTTYInfo->dwThreadID = 1;
    HANDLE hThread = CreateThread(nullptr, 0, CommWatchProc, npTTYInfo, CREATE_SUSPENDED, &dwThreadID);
    if (hThread == nullptr) {
        npTTYInfo->dwThreadID = 0;
        ClosePort(npTTYInfo);
        return FALSE;
    }
    npTTYInfo->dwThreadID = dwThreadID;
    npTTYInfo->hWatchThread = hThread;
    ResumeThread(hThread);

    EscapeCommFunction(npTTYInfo->idComDev, SETDTR);
    CurrentLineEvents().Connected(hTTYWnd);
    SetConnectedMenuState(hTTYWnd, TRUE);
    return TRUE;
}

BOOL SetupConnection(HWND hTTYWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    // Fields the settings do not name keep what the driver reports.
    DCB dcb;
    dcb.DCBlength = sizeof(DCB);
    GetCommState(npTTYInfo->idComDev, &dcb);
    const LineControl line = LineControlFor({npTTYInfo->dwBaudRate, npTTYInfo->bByteSize, npTTYInfo->bParity,
                                             npTTYInfo->bStopBits, npTTYInfo->bFlowCtrl});
    dcb.BaudRate = line.baudRate;
    dcb.ByteSize = line.byteSize;
    dcb.Parity = line.parity;
    dcb.StopBits = line.stopBits;
    dcb.fOutxDsrFlow = line.outxDsrFlow;
    dcb.fDtrControl = line.dtrControl;
    dcb.fOutxCtsFlow = line.outxCtsFlow;
    dcb.fRtsControl = line.rtsControl;
    dcb.fOutX = line.outX;
    dcb.fInX = line.inX;
    dcb.XonChar = line.xonChar;
    dcb.XoffChar = line.xoffChar;
    dcb.XonLim = line.xonLim;
    dcb.XoffLim = line.xoffLim;
    dcb.fBinary = line.binary;
    dcb.fParity = line.parityCheck;
    return SetCommState(npTTYInfo->idComDev, &dcb);
}

BOOL CloseConnection(HWND hTTYWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    // Likewise a Disconnect command while disconnected: there is nothing to close.
    if (!npTTYInfo->fConnected && npTTYInfo->idComDev == nullptr) return TRUE;
    npTTYInfo->fConnected = FALSE;
    SetCommMask(npTTYInfo->idComDev, 0);
    WaitForWatchThread(npTTYInfo);
    EscapeCommFunction(npTTYInfo->idComDev, CLRDTR);
    PurgeComm(npTTYInfo->idComDev, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(npTTYInfo->idComDev);
    npTTYInfo->idComDev = nullptr;
    SetConnectedMenuState(hTTYWnd, FALSE);
    return TRUE;
}
