// The serial link's events, held for the program's run.
#include "serial/line_events.h"

namespace {

// Until the application hands over its own: nothing shown, plain waits.
class NoLineEvents final : public LineEvents {
public:
    void RecordMade(HWND, TTYINFO*) override {}
    void ShowBytes(HWND, const BYTE*, int) override {}
    void Connected(HWND) override {}
    DWORD WaitFor(HANDLE hObject) override { return WaitForSingleObject(hObject, INFINITE); }
    void Pause(DWORD dwMilliseconds) override { Sleep(dwMilliseconds); }
};

NoLineEvents noEvents;
LineEvents* current = &noEvents;

}  // namespace

void SetLineEvents(LineEvents& events) { current = &events; }

LineEvents& CurrentLineEvents() { return *current; }
