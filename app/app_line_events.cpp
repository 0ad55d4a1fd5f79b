// What the serial link asks of the rest of the program (serial/line_events.h),
// carried out here: the terminal shows what arrives and sets itself up for a
// new record, a connection takes the keyboard's focus, and the link's waits
// keep the sound going (app/ui_wait.h).
#include "app/app.h"
#include "app/ui_wait.h"
#include "serial/line_events.h"
#include "terminal/tty_view.h"

namespace {

class AppLineEvents final : public LineEvents {
public:
    void RecordMade(HWND hTTYWnd, TTYINFO* npTTYInfo) override { ResetTTYScreen(hTTYWnd, npTTYInfo); }
    void ShowBytes(HWND hTTYWnd, const BYTE* lpBlock, int nLength) override
    {
        WriteTTYBlock(hTTYWnd, lpBlock, nLength);
    }
    void Connected(HWND hTTYWnd) override { SetTTYFocus(hTTYWnd); }
    DWORD WaitFor(HANDLE hObject) override { return WaitServingStream(hObject); }
    void Pause(DWORD dwMilliseconds) override { PauseServingStream(dwMilliseconds); }
};
AppLineEvents lineEvents;

}  // namespace

void InstallLineEvents() { SetLineEvents(lineEvents); }
