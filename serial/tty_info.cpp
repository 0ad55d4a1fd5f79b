// Creating and destroying the connection and terminal record with its
// built-in defaults: COM1 at 9600 bits per second, 8 data bits, no parity, one
// stop bit, XON/XOFF, auto-wrap and error display on, black FixedSys text.
#include "serial/tty_info.h"

#include <cstring>
#include <new>

#include "resources/resource.h"
#include "serial/connection.h"
#include "serial/line_events.h"
#include "serial/line_settings.h"

namespace {

void SetDefaultFont(LOGFONTA& lf)
{
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = 9;
    lf.lfCharSet = OEM_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::strcpy(lf.lfFaceName, "FixedSys");
}

void FreeRecord(TTYINFO* npTTYInfo)
{
    npTTYInfo->~TTYINFO();
    LocalFree(npTTYInfo);
}

}  // namespace

void SetConnectedMenuState(HWND hWnd, BOOL fConnected)
{
    HMENU hMenu = GetMenu(hWnd);
    EnableMenuItem(hMenu, IDM_CONNECT, MF_BYCOMMAND | (fConnected ? MF_GRAYED | MF_DISABLED : MF_ENABLED));
    EnableMenuItem(hMenu, IDM_DISCONNECT,
                   MF_BYCOMMAND | (fConnected ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
}

LRESULT CreateTTYInfo(HWND hTTYWnd)
{
    void* memory = LocalAlloc(LPTR, sizeof(TTYINFO));
    if (memory == nullptr) return -1;
    // Zero-filled, then constructed: every field not set below is 0 or FALSE.
    TTYINFO* npTTYInfo = new (memory) TTYINFO();
    npTTYInfo->idComDev = nullptr;
    npTTYInfo->bPort = 1;
    npTTYInfo->dwBaudRate = CBR_9600;
    npTTYInfo->bByteSize = 8;
    npTTYInfo->bFlowCtrl = FLOWCTRL_SOFT;
    npTTYInfo->bParity = NOPARITY;
    npTTYInfo->bStopBits = ONESTOPBIT;
    npTTYInfo->screen.fAutoWrap = true;
    npTTYInfo->screen.fNewLine = false;
    npTTYInfo->fUseCNReceive = TRUE;
    npTTYInfo->fDisplayErrors = TRUE;
    npTTYInfo->hTermWnd = hTTYWnd;

    npTTYInfo->osRead.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (npTTYInfo->osRead.hEvent == nullptr) {
        FreeRecord(npTTYInfo);
        return -1;
    }
    npTTYInfo->osWrite.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (npTTYInfo->osWrite.hEvent == nullptr) {
        CloseHandle(npTTYInfo->osRead.hEvent);
        FreeRecord(npTTYInfo);
        return -1;
    }
    std::memset(npTTYInfo->screen.abScreen, ' ', sizeof npTTYInfo->screen.abScreen);
    SetDefaultFont(npTTYInfo->lfTTYFont);

    SetWindowLongPtrA(hTTYWnd, 0, reinterpret_cast<LONG_PTR>(npTTYInfo));
    CurrentLineEvents().RecordMade(hTTYWnd, npTTYInfo);
    SetConnectedMenuState(hTTYWnd, FALSE);
    return 1;
}

BOOL DestroyTTYInfo(HWND hTTYWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    if (npTTYInfo->fConnected) CloseConnection(hTTYWnd);
    SetWindowLongPtrA(hTTYWnd, 0, 0);
    CloseHandle(npTTYInfo->osRead.hEvent);
    CloseHandle(npTTYInfo->osWrite.hEvent);
    if (npTTYInfo->hPostEvent) CloseHandle(npTTYInfo->hPostEvent);
    if (npTTYInfo->hTTYFont) DeleteObject(npTTYInfo->hTTYFont);
    FreeRecord(npTTYInfo);
    return TRUE;
}
