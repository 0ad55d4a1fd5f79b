// Comm block I/O. ReadCommBlock runs on the watch thread and WriteCommBlock on
// the user-interface thread; each has its own overlapped record and event in
// TTYINFO, so a read and a write may be outstanding at once. A write that has
// to wait keeps the sound stream fed while it waits (LineEvents::WaitFor).
#include "serial/comm_io.h"

#include <cstdio>

#include "serial/line_events.h"
#include "serial/tty_info.h"

namespace {

// "<CE-4294967295>" is the longest text: 15 characters and the terminator.
void ShowLineError(HWND hTTYWnd, DWORD value)
{
    char szError[16];
    int n = std::snprintf(szError, sizeof szError, "<CE-%lu>", static_cast<unsigned long>(value));
    CurrentLineEvents().ShowBytes(hTTYWnd, reinterpret_cast<const BYTE*>(szError), n);
}

// Clears the port's error state; shows its flags when asked to and there are any.
void ClearAndShowErrorFlags(HWND hTTYWnd, TTYINFO* npTTYInfo)
{
    DWORD dwErrorFlags = 0;
    COMSTAT comStat;
    if (ClearCommError(npTTYInfo->idComDev, &dwErrorFlags, &comStat) && dwErrorFlags != 0 &&
        npTTYInfo->fDisplayErrors)
        ShowLineError(hTTYWnd, dwErrorFlags);
}

}  // namespace

int ReadCommBlock(HWND hTTYWnd, LPSTR lpszBlock, int nMaxLength)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr || nMaxLength <= 0) return 0;

    DWORD dwErrorFlags = 0;
    COMSTAT comStat = {};
    ClearCommError(npTTYInfo->idComDev, &dwErrorFlags, &comStat);
    DWORD dwLength = comStat.cbInQue;
    if (static_cast<DWORD>(nMaxLength) < dwLength) dwLength = static_cast<DWORD>(nMaxLength);
    if (dwLength == 0) return 0;

    if (ReadFile(npTTYInfo->idComDev, lpszBlock, dwLength, &dwLength, &npTTYInfo->osRead))
        return static_cast<int>(dwLength);
    if (GetLastError() != ERROR_IO_PENDING) {
        ClearAndShowErrorFlags(hTTYWnd, npTTYInfo);
        return 0;
    }
    OutputDebugStringA("\n\rIO Pending");
    while (!GetOverlappedResult(npTTYInfo->idComDev, &npTTYInfo->osRead, &dwLength, TRUE)) {
        DWORD dwError = GetLastError();
        if (dwError == ERROR_IO_INCOMPLETE) continue;
        ShowLineError(hTTYWnd, dwError);
        ClearAndShowErrorFlags(hTTYWnd, npTTYInfo);
        break;
    }
    return static_cast<int>(dwLength);
}

BOOL WriteCommBlock(HWND hTTYWnd, const BYTE* lpByte, DWORD dwBytesToWrite)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;

    DWORD dwBytesWritten = 0;
    DWORD dwBytesSent = 0;
    if (WriteFile(npTTYInfo->idComDev, lpByte, dwBytesToWrite, &dwBytesWritten, &npTTYInfo->osWrite))
        return TRUE;
    if (GetLastError() != ERROR_IO_PENDING) {
        ClearAndShowErrorFlags(hTTYWnd, npTTYInfo);
        return FALSE;
    }
    // The caller waits for the write as long as it takes (a line held by
    // XOFF, a slow rate), but the sound stream and the sequencers go on.
    CurrentLineEvents().WaitFor(npTTYInfo->osWrite.hEvent);
    while (!GetOverlappedResult(npTTYInfo->idComDev, &npTTYInfo->osWrite, &dwBytesWritten, TRUE)) {
        DWORD dwError = GetLastError();
        if (dwError == ERROR_IO_INCOMPLETE) {
            dwBytesSent += dwBytesWritten;
            continue;
        }
        ShowLineError(hTTYWnd, dwError);
        ClearAndShowErrorFlags(hTTYWnd, npTTYInfo);
        break;
    }
    dwBytesSent += dwBytesWritten;

    char szProgress[64];
    if (dwBytesSent == dwBytesToWrite)
        std::snprintf(szProgress, sizeof szProgress, "\n%ld bytes written", static_cast<long>(dwBytesSent));
    else
        std::snprintf(szProgress, sizeof szProgress, "\nProbable Write Timeout: Total of %ld bytes sent",
                      static_cast<long>(dwBytesSent));
    OutputDebugStringA(szProgress);
    return TRUE;
}
