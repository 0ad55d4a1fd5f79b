// Opening, configuring and closing the COM port that links the two players,
// and the menu state that follows the connection.
#pragma once

#include <windows.h>

BOOL OpenConnection(HWND hTTYWnd);
BOOL SetupConnection(HWND hTTYWnd);
BOOL CloseConnection(HWND hTTYWnd);

// Connect enabled and Disconnect greyed while disconnected; the reverse while
// connected.
void SetConnectedMenuState(HWND hWnd, BOOL fConnected);
