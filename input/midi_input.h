// MIDI keyboard input: device 0 opened at start-up with the main window as
// the receiver of its messages, closed after the message loop.
#pragma once

#include <windows.h>

// ---- Program-wide MIDI state ----
extern UINT wNumDevices;   // MIDI input devices found at start-up
extern HMIDIIN midikeyb;   // the open device; null while none is open
extern UINT wRtn;          // result of opening the device
extern DWORD midinote;     // the last short message as delivered
extern UINT midistatus;    // its key number (first data byte)
extern UINT mididata;      // its velocity (second data byte)

// Opens device 0 with hWnd as the owner of its messages and message boxes.
void OpenMidiInput(HWND hWnd);
void CloseMidiInput();
LRESULT OnMidiOpen(HWND hWnd);
LRESULT OnMidiData(HWND hWnd, LPARAM lParam);
