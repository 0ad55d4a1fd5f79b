// The program's entry point: registers the main window class, creates the main
// window, loads the two sample banks and runs the message loop.
#include <windows.h>

#include "audio/sample_bank.h"

namespace {

HWND hTTYWnd = nullptr;
const char gszTTYClass[] = "TTYWndClass";

// A failed bank load: the warning box owned by the main window, then the end
// of the program.
class MessageBoxErrors final : public SampleBankErrors {
public:
    void Fail(const char* text) override
    {
        MessageBoxA(hTTYWnd, text, "ERROR", MB_ICONWARNING | MB_OK);
        PostQuitMessage(0);
    }
};

LRESULT CALLBACK TTYWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TTYWndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = gszTTYClass;
    if (!RegisterClassA(&wc)) return 0;
    hTTYWnd = CreateWindowA(gszTTYClass, "QUAVERTON v1.0", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                            nullptr, nullptr, hInstance, nullptr);
    if (hTTYWnd == nullptr) return 0;

    MessageBoxErrors errors;
    if (!LoadSampleBank(1, "SAMPLE2.WAV", errors) || !LoadSampleBank(2, "SAMPLE.WAV", errors)) {
        FreeSampleBanks();
        return 0;
    }
    ShowWindow(hTTYWnd, SW_SHOW);
    UpdateWindow(hTTYWnd);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    FreeSampleBanks();
    return static_cast<int>(msg.wParam);
}
