// The double-buffered wave output stream: "ding.wav" sets the output format
// and the block size, two blocks alternate in the default device, and each one
// handed back is mixed anew and requeued.
#pragma once

#include <windows.h>

// ---- Program-wide wave output state ----
extern HWAVEOUT hWaveOut;   // the open device; 0 while none is open
extern DWORD dwDataSize;    // bytes per output block
extern int dbl;             // the block the next notification refills: 0 block 1, 1 block 2

// Opens the format file and the device and queues the first two blocks; the
// device notifies hWnd, which also owns every message box of the stream. On
// failure shows the message and returns FALSE.
BOOL OpenWaveOutput(HWND hWnd);

// The block-done notification: refills and requeues the next block in turn.
void RefillBlock();

// Stops the device, unprepares both headers and closes it. Notifications
// still queued afterwards find no device and do nothing.
void CloseWaveOutput();
