// Block reads and writes on the open COM port with overlapped I/O; line
// errors are written into the terminal as "<CE-%u>" texts and progress goes to
// the debugger output.
#pragma once

#include <windows.h>

// Takes at most nMaxLength bytes of those that have already arrived, so it
// returns at once; should the port not hand them over, the read waits up to
// the port's read time-out (1 s). Returns the count placed in lpszBlock.
int ReadCommBlock(HWND hTTYWnd, LPSTR lpszBlock, int nMaxLength);

// Sends a block and waits until the write has finished. FALSE when there is no
// record or the write failed outright.
BOOL WriteCommBlock(HWND hTTYWnd, const BYTE* lpByte, DWORD dwBytesToWrite);
