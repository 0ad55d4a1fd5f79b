// Port connection management. The port is not opened yet in this version of
// the program: Connect reports failure and the menu stays disconnected.
#include "serial/connection.h"

#include "serial/tty_info.h"

BOOL OpenConnection(HWND hTTYWnd)
{
    return GetTTYInfo(hTTYWnd) != nullptr && FALSE;
}

BOOL SetupConnection(HWND hTTYWnd)
{
    return GetTTYInfo(hTTYWnd) != nullptr && FALSE;
}

BOOL CloseConnection(HWND hTTYWnd)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    npTTYInfo->fConnected = FALSE;
    SetConnectedMenuState(hTTYWnd, FALSE);
    return TRUE;
}
