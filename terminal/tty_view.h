// The terminal view in the main window: painting, sizing, scrolling and the
// caret of the 80 x 25 screen, writing into it, and the one-character send.
#pragma once

#include <windows.h>

#include "input/peer_protocol.h"

struct TTYINFO;

BOOL ResetTTYScreen(HWND hTTYWnd, TTYINFO* npTTYInfo);
// Draws the screen's cells that meet rcPaint, the part of the window a paint
// of hDC (from BeginPaint) covers.
BOOL PaintTTY(HWND hTTYWnd, HDC hDC, const RECT& rcPaint);
BOOL SizeTTY(HWND hTTYWnd, WORD wVertSize, WORD wHorzSize);
BOOL ScrollTTYVert(HWND hTTYWnd, WORD wScrollCmd, WORD wScrollPos);
BOOL ScrollTTYHorz(HWND hTTYWnd, WORD wScrollCmd, WORD wScrollPos);
BOOL SetTTYFocus(HWND hTTYWnd);
BOOL KillTTYFocus(HWND hTTYWnd);
// Brings the caret to the cursor, read once under the screen's lock. With
// prcCaret, also gives the cell the caret now covers (empty when no caret is
// shown), from that same reading.
BOOL MoveTTYCursor(HWND hTTYWnd, RECT* prcCaret = nullptr);
// Whether a paint of rcPaint must hide the caret shown at rcCaret: the paint
// is taller than a row of cells, or it meets that cell.
BOOL PaintMeetsCaret(HWND hTTYWnd, const RECT& rcPaint, const RECT& rcCaret);
BOOL WriteTTYBlock(HWND hTTYWnd, const BYTE* lpBlock, int nLength);

// Sends one byte while connected (and echoes it when Local Echo is on);
// FALSE, sending and showing nothing, while disconnected.
BOOL ProcessTTYCharacter(HWND hTTYWnd, BYTE bOut);
// A player's message to the peer: each byte a one-byte write of its own
// (ProcessTTYCharacter), so nothing is sent while disconnected.
BOOL SendPeerMessage(HWND hTTYWnd, const PeerMessage& message);
