// Opening, configuring and closing the COM port that links the two players,
// and the menu state that follows the connection.
#pragma once

#include <windows.h>

// Bits of TTYINFO::bFlowCtrl.
constexpr BYTE FLOWCTRL_DTRDSR = 1;
constexpr BYTE FLOWCTRL_RTSCTS = 2;
constexpr BYTE FLOWCTRL_SOFT = 4;

BOOL OpenConnection(HWND hTTYWnd);
BOOL SetupConnection(HWND hTTYWnd);
BOOL CloseConnection(HWND hTTYWnd);

// Connect enabled and Disconnect greyed while disconnected; the reverse while
// connected.
void SetConnectedMenuState(HWND hWnd, BOOL fConnected);
