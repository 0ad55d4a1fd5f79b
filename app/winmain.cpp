// The program's entry point: starts every subsystem in its fixed order, runs
// the message loop and tidies up after it.
#include <windows.h>

#include "app/app.h"
#include "audio/sample_bank.h"
#include "audio/wave_output.h"
#include "input/midi_input.h"
#include "pattern/pattern_view.h"
#include "resources/resource.h"

HWND hTTYWnd = nullptr;
HACCEL ghAccel = nullptr;
HWND hwsplash = nullptr;
HINSTANCE ghInstance = nullptr;
// One second: long enough to be seen, short enough that the window is there
// by the time a player reaches for the keys.
const DWORD SPLASHTIME = 1000;
char gszTTYClass[12] = TTY_CLASS_NAME;
char gszAppName[91] =
    "                                                                            QUAVERTON v1.0";
static_assert(sizeof "                                                                            " == 77,
              "the title is pushed right by 76 spaces");

namespace {

// A failed bank load: the warning box owned by the main window, then the
// quit request that ends the program.
class MessageBoxErrors final : public SampleBankErrors {
public:
    void Fail(const char* text) override
    {
        MessageBoxA(hTTYWnd, text, "ERROR", MB_ICONWARNING | MB_OK);
        PostQuitMessage(0);
    }
};

bool LoadBanks()
{
    MessageBoxErrors errors;
    return LoadSampleBank(1, "SAMPLE2.WAV", errors) && LoadSampleBank(2, "SAMPLE.WAV", errors);
}

int RunMessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // Shift+PgUp, Shift+PgDn and Shift+F1 do what the menu says they do.
        if (msg.hwnd == hTTYWnd && TranslateAcceleratorA(hTTYWnd, ghAccel, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// The splash template is sized in dialog units so that, with its 8-point
// dialog font, it just holds its 602 x 117 picture. Where the system's dialog
// font is wider (under Wine, for one) the frame would show a blank strip beside
// the picture, so the window is fitted to the picture, keeping its centre.
void FitSplashToPicture(HWND hSplash)
{
    HWND hPicture = GetWindow(hSplash, GW_CHILD);
    HANDLE hBitmap = hPicture ? reinterpret_cast<HANDLE>(SendMessageA(hPicture, STM_GETIMAGE, IMAGE_BITMAP, 0))
                              : nullptr;
    BITMAP bm;
    if (hBitmap == nullptr || GetObjectA(hBitmap, sizeof bm, &bm) == 0) return;
    RECT frame = {0, 0, bm.bmWidth, bm.bmHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(hSplash, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(hSplash, GWL_EXSTYLE)));
    RECT now;
    GetWindowRect(hSplash, &now);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hSplash, nullptr, now.left + (now.right - now.left - width) / 2,
                 now.top + (now.bottom - now.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hPicture, nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

// After the loop, or when start-up stops early: nothing is left open.
void FinalCleanUp()
{
    FreeSampleBanks();
    CloseMidiInput();
}

}  // namespace

BOOL InitApplication(HINSTANCE hInstance)
{
    WNDCLASSA wc = {};
    wc.style = 0;
    wc.lpfnWndProc = TTYWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = sizeof(LONG_PTR);  // the TTYINFO pointer
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_QUAVERTON));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAINMENU);
    wc.lpszClassName = gszTTYClass;
    return RegisterClassA(&wc) != 0;
}

HWND InitInstance(HINSTANCE hInstance, int)
{
    ghAccel = LoadAcceleratorsA(hInstance, MAKEINTRESOURCEA(IDA_MAINACCEL));
    return CreateWindowExA(0, gszTTYClass, gszAppName, WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                           nullptr, hInstance, nullptr);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR, int nCmdShow)
{
    ghInstance = hInstance;
    InstallLineEvents();
    if (hPrevInstance == nullptr && !InitApplication(hInstance)) return 0;
    hTTYWnd = InitInstance(hInstance, nCmdShow);
    if (hTTYWnd == nullptr) return 0;

    SetTimer(hTTYWnd, ID_TIMER_SPLASH, SPLASHTIME, nullptr);
    if (hwsplash == nullptr) {
        hwsplash = CreateDialogA(hInstance, MAKEINTRESOURCEA(IDD_SPLASH), hTTYWnd, nullptr);
        if (hwsplash) FitSplashToPicture(hwsplash);
        ShowWindow(hwsplash, SW_SHOW);
    }
    OpenMidiInput(hTTYWnd);
    if (!LoadBanks() || !OpenWaveOutput(hTTYWnd)) {
        FinalCleanUp();
        return 0;
    }
    SetFocus(hTTYWnd);
    OpenPatternView(hInstance);
    InitPatternClocks(hTTYWnd);

    int code = RunMessageLoop();
    FinalCleanUp();
    return code;
}
