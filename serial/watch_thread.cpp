// The serial watch thread, the program's only background thread.
//
// How it works: it lives while a connection is open. It waits for the port's
// received-character event, then reads one byte at a time through
// ReadCommBlock, shows it (LineEvents::ShowBytes: the terminal writes it
// under the screen's lock), dispatches it (StartVoice hands the start to the
// mixer whole) and waits for the window's repaint. It reads fConnected and idComDev, and clears dwThreadID as
// its very last act, which CloseConnection waits for. Where a port has no
// modem lines the comm-event wait fails at once; the thread then looks at the
// input queue at a short interval instead of waiting, and never spins.
#include "serial/watch_thread.h"

#include "input/peer_protocol.h"
#include "serial/comm_io.h"
#include "serial/line_events.h"
#include "serial/tty_info.h"

namespace {

// How often a port whose comm-event wait fails is looked at: short enough that
// a key from the peer is heard within a block or two, long enough to cost
// nothing while the line is quiet.
constexpr DWORD POLL_INTERVAL_MS = 10;

// The line and window as the receive dispatch sees them.
class WindowPeerLine final : public PeerLine {
public:
    WindowPeerLine(HWND hWnd, const TTYINFO& info) : hWnd_(hWnd), info_(info) {}
    // Nothing more is taken once the connection is closing, so a peer that
    // streams without a pause cannot keep the thread from ending.
    int ReadByte(unsigned char* abIn) override
    {
        if (!info_.fConnected) return 0;
        return ReadCommBlock(hWnd_, reinterpret_cast<LPSTR>(abIn), 1);
    }
    void ShowByte(unsigned char byte) override { CurrentLineEvents().ShowBytes(hWnd_, &byte, 1); }
    void Repaint() override { UpdateWindow(hWnd_); }

private:
    HWND hWnd_;
    const TTYINFO& info_;
};

// Waits for characters; true when some have arrived. A port that cannot
// report arrivals (one without modem lines under Wine) fails the comm-event
// wait, or ends it with no event although the mask asks for one; from then on
// canWait is false and its queue is only looked at every POLL_INTERVAL_MS,
// which costs far less than a failing wait each time.
bool WaitForCharacters(TTYINFO* npTTYInfo, OVERLAPPED& os, bool& canWait)
{
    if (canWait) {
        DWORD dwEvtMask = 0;
        bool waited = WaitCommEvent(npTTYInfo->idComDev, &dwEvtMask, &os);
        if (!waited && GetLastError() == ERROR_IO_PENDING) {
            DWORD dwTransferred;
            waited = GetOverlappedResult(npTTYInfo->idComDev, &os, &dwTransferred, TRUE);
        }
        if (waited && (dwEvtMask & EV_RXCHAR)) return true;
        // Disconnecting clears the event mask, which ends the wait with no event.
        if (!npTTYInfo->fConnected) return false;
        canWait = false;
    }
    Sleep(POLL_INTERVAL_MS);
    DWORD dwErrors;
    COMSTAT stat = {};
    return ClearCommError(npTTYInfo->idComDev, &dwErrors, &stat) && stat.cbInQue > 0;
}

DWORD EndThread(TTYINFO* npTTYInfo, HANDLE hEvent, DWORD result)
{
    if (hEvent) CloseHandle(hEvent);
    npTTYInfo->dwThreadID = 0;
    return result;
}

}  // namespace

DWORD WINAPI CommWatchProc(LPVOID lpData)
{
    TTYINFO* npTTYInfo = static_cast<TTYINFO*>(lpData);
    OVERLAPPED os = {};
    os.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (os.hEvent == nullptr) {
        MessageBoxA(nullptr, "Failed to create event for thread!", "TTY Error!", MB_ICONEXCLAMATION | MB_OK);
        return EndThread(npTTYInfo, nullptr, 0);
    }
    if (!SetCommMask(npTTYInfo->idComDev, EV_RXCHAR)) return EndThread(npTTYInfo, os.hEvent, 0);

    WindowPeerLine line(npTTYInfo->hTermWnd, *npTTYInfo);
    PeerReceiveState state;
    bool canWait = true;
    while (npTTYInfo->fConnected) {
        if (WaitForCharacters(npTTYInfo, os, canWait) && npTTYInfo->fConnected) ReceiveArrivedBytes(state, line);
    }
    return EndThread(npTTYInfo, os.hEvent, 1);
}
