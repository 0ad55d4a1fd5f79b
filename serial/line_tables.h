// The value tables the line settings are chosen from, with the string-table
// entries that name them in the Settings dialog.
#pragma once

#include <windows.h>

extern const DWORD BaudTable[13];      // texts from string 800
extern const DWORD ParityTable[5];     // texts from string 816
extern const DWORD StopBitsTable[3];   // texts from string 832
