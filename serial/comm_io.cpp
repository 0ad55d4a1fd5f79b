// Comm block I/O.
//
// How it works: ReadCommBlock runs on the watch thread and WriteCommBlock on
// the user-interface thread; each has its own overlapped record and event in
// TTYINFO, so a read and a write may be outstanding at once. fDisplayErrors,
// which the Settings dialog changes while the watch thread reads, is atomic.
// A write that has to wait keeps the sound stream fed while it waits
// (LineEvents::WaitFor), and that wait also delivers what other threads send
// to the window; one of those, or a MIDI note that a message box shown during
// the wait dispatches, can send again before the write has ended. Only one
// write is ever pending on the port: lpPendingWrite (user-interface thread
// only) names it, and a send that finds one waits, in the same way, until it
// has left the port, then writes with an overlapped record and event of its
// own and waits for that. Nothing is lost and the bytes keep the order in
// which their sends began; the pending write keeps its record and its
// caller's buffer to itself.
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

namespace {

// One write with the record os: issued, waited for as long as it takes, its
// outcome reported. While it is pending it is the port's pending write.
BOOL WriteBlock(HWND hTTYWnd, TTYINFO* npTTYInfo, OVERLAPPED& os, const BYTE* lpByte, DWORD dwBytesToWrite)
{
    DWORD dwBytesWritten = 0;
    DWORD dwBytesSent = 0;
    if (WriteFile(npTTYInfo->idComDev, lpByte, dwBytesToWrite, &dwBytesWritten, &os)) return TRUE;
    if (GetLastError() != ERROR_IO_PENDING) {
        ClearAndShowErrorFlags(hTTYWnd, npTTYInfo);
        return FALSE;
    }
    // The caller waits for the write as long as it takes (a line held by
    // XOFF, a slow rate), but the sound stream and the sequencers go on.
    OVERLAPPED* const lpEarlier = npTTYInfo->lpPendingWrite;
    npTTYInfo->lpPendingWrite = &os;
    CurrentLineEvents().WaitFor(os.hEvent);
    while (!GetOverlappedResult(npTTYInfo->idComDev, &os, &dwBytesWritten, TRUE)) {
        DWORD dwError = GetLastError();
        if (dwError == ERROR_IO_INCOMPLETE) {
            dwBytesSent += dwBytesWritten;
            continue;
        }
        ShowLineError(hTTYWnd, dwError);
        ClearAndShowErrorFlags(hTTYWnd, npTTYInfo);
        break;
    }
    npTTYInfo->lpPendingWrite = lpEarlier;  // null, or one that has already ended
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

}  // namespace

BOOL WriteCommBlock(HWND hTTYWnd, const BYTE* lpByte, DWORD dwBytesToWrite)
{
    TTYINFO* npTTYInfo = GetTTYInfo(hTTYWnd);
    if (npTTYInfo == nullptr) return FALSE;
    if (npTTYInfo->lpPendingWrite == nullptr)
        return WriteBlock(hTTYWnd, npTTYInfo, npTTYInfo->osWrite, lpByte, dwBytesToWrite);

    // A send made while another write is pending: once that one has ended,
    // this one goes out with a record of its own. Without an event for it
    // nothing is written and FALSE is returned, as for any write that fails.
    CurrentLineEvents().WaitFor(npTTYInfo->lpPendingWrite->hEvent);
    OVERLAPPED os = {};
    os.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (os.hEvent == nullptr) return FALSE;
    const BOOL result = WriteBlock(hTTYWnd, npTTYInfo, os, lpByte, dwBytesToWrite);
    CloseHandle(os.hEvent);
    return result;
}
