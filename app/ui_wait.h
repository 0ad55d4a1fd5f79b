// Waits of the user-interface thread that keep the instrument playing: while
// the thread waits for a port write or for the watch thread to end, the wave
// output's block-done notifications and the sequencers' clocks are served, so
// the sound goes on for as long as the wait lasts.
#pragma once

#include <windows.h>

// Waits until hObject is signalled. Meanwhile the main window gets its
// MM_WOM_DONE and WM_TIMER messages (each refills a block or ticks a clock,
// and neither writes to the port nor waits), and messages other threads send
// to this one are delivered as the platform delivers them during any look at
// the queue (the watch thread's repaints). Everything else posted to the
// window (keys, clicks, menu commands) waits for the message loop. Returns
// the wait's result: WAIT_OBJECT_0 once signalled, WAIT_FAILED otherwise.
DWORD WaitServingStream(HANDLE hObject);

// The same for up to dwMilliseconds with no object (a pause that keeps the
// stream fed); returns once that time has passed.
void PauseServingStream(DWORD dwMilliseconds);
