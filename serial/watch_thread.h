// The comm watch thread: waits for received characters and hands each byte
// to the terminal and the receive dispatch.
#pragma once

#include <windows.h>

DWORD WINAPI CommWatchProc(LPVOID lpData);
