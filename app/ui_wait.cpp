// Waits of the user-interface thread that keep the instrument playing (see
// ui_wait.h). The wave output has only two blocks, so any wait of this thread
// longer than one block's playing time would otherwise be heard as silence.
#include "app/ui_wait.h"

#include "app/app.h"

namespace {

// What wakes a wait: a posted message (the block-done notification), a timer,
// or a message another thread sends.
constexpr DWORD WAKE_MASK = QS_POSTMESSAGE | QS_TIMER | QS_SENDMESSAGE;

// Hands the window procedure every block-done notification and timer tick
// waiting in the queue. A look at the queue returns the quit request whatever
// the filter; it is put back for the message loop, which it ends, and false
// is returned: from then on the program is ending and only sent messages are
// served.
bool ServeStream()
{
    MSG msg;
    while (PeekMessageA(&msg, hTTYWnd, MM_WOM_DONE, MM_WOM_DONE, PM_REMOVE) ||
           PeekMessageA(&msg, hTTYWnd, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        DispatchMessageA(&msg);
    }
    return true;
}

DWORD Wait(HANDLE hObject, DWORD dwMilliseconds)
{
    const DWORD begun = GetTickCount();
    const DWORD count = hObject ? 1 : 0;
    bool serving = true;
    for (;;) {
        const DWORD elapsed = GetTickCount() - begun;
        if (dwMilliseconds != INFINITE && elapsed >= dwMilliseconds) return WAIT_TIMEOUT;
        const DWORD left = dwMilliseconds == INFINITE ? INFINITE : dwMilliseconds - elapsed;
        const DWORD r = MsgWaitForMultipleObjects(count, hObject ? &hObject : nullptr, FALSE, left,
                                                  serving ? WAKE_MASK : QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + count) return r;
        if (serving) {
            serving = ServeStream();
        } else {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

}  // namespace

DWORD WaitServingStream(HANDLE hObject)
{
    return Wait(hObject, INFINITE);
}

void PauseServingStream(DWORD dwMilliseconds)
{
    Wait(nullptr, dwMilliseconds);
}
