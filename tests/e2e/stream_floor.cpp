// The floor of the sound path under Wine, for the benchmarks: the least a
// program can do to keep a wave output stream going the way the program does
// (two blocks of one size, each refilled on its block-done message to a
// window) and to start a sound on a key. Its latency and processor time are
// what the program's own are measured against, side by side.
//   stream_floor.exe [--bytes N] [--tone]
//     --bytes N   block size (default: the shipped format file's, BLOCK_BYTES),
//                 8-bit mono 44100 Hz
//     --tone      a 441 Hz tone from the start to the end, to find drop-outs in
//     --class C   its window's class (default the program's, so that the
//                 driver's key and close commands work on it)
// Any character starts a 441 Hz tone of 300 ms on the next block.
#include <windows.h>

#include "app/app.h"
#include "resources/sound_synth.h"
#include <mmsystem.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int RATE = 44100;
constexpr double TONE_HZ = 441.0;
constexpr int TONE_SAMPLES = RATE * 300 / 1000;
constexpr double AMPLITUDE = 110.0;

HWAVEOUT hWaveOut = nullptr;
std::vector<char> blocks[2];
WAVEHDR headers[2];
int next = 0;          // the block the next block-done message refills
int toneLeft = 0;      // samples of the tone still to play (-1: without end)
int tonePosition = 0;  // samples of the tone played so far

void Fill(char* block, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        double v = 0.0;
        if (toneLeft != 0) {
            v = AMPLITUDE * std::sin(2.0 * 3.14159265358979 * TONE_HZ * (tonePosition++ % RATE) / RATE);
            if (toneLeft > 0) --toneLeft;
        }
        block[i] = static_cast<char>(static_cast<int>(128.0 + v));
    }
}

void Queue(int i)
{
    waveOutUnprepareHeader(hWaveOut, &headers[i], sizeof(WAVEHDR));
    Fill(blocks[i].data(), blocks[i].size());
    waveOutPrepareHeader(hWaveOut, &headers[i], sizeof(WAVEHDR));
    waveOutWrite(hWaveOut, &headers[i], sizeof(WAVEHDR));
}

bool Open(HWND hWnd, size_t bytes)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = RATE;
    format.wBitsPerSample = 8;
    format.nBlockAlign = 1;
    format.nAvgBytesPerSec = RATE;
    if (waveOutOpen(&hWaveOut, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(hWnd), 0, CALLBACK_WINDOW))
        return false;
    for (int i = 0; i < 2; ++i) {
        blocks[i].assign(bytes, static_cast<char>(128));
        std::memset(&headers[i], 0, sizeof(WAVEHDR));
        headers[i].lpData = blocks[i].data();
        headers[i].dwBufferLength = static_cast<DWORD>(bytes);
        Queue(i);
    }
    return true;
}

void Close()
{
    if (!hWaveOut) return;
    waveOutReset(hWaveOut);
    for (WAVEHDR& h : headers) waveOutUnprepareHeader(hWaveOut, &h, sizeof(WAVEHDR));
    waveOutClose(hWaveOut);
    hWaveOut = nullptr;
}

LRESULT CALLBACK FloorProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case MM_WOM_DONE:
        Queue(next);
        next = 1 - next;
        return 0;
    case WM_CHAR:
        toneLeft = TONE_SAMPLES;
        tonePosition = 0;
        return 0;
    case WM_CLOSE: return DestroyWindow(hWnd), 0;
    case WM_DESTROY: return Close(), PostQuitMessage(0), 0;
    default: return DefWindowProcA(hWnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    size_t bytes = assets::BLOCK_BYTES;
    if (const char* p = std::strstr(lpCmdLine, "--bytes ")) bytes = static_cast<size_t>(std::atoi(p + 8));
    if (bytes == 0) return 2;
    if (std::strstr(lpCmdLine, "--tone")) toneLeft = -1;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    std::string className = TTY_CLASS_NAME;
    if (const char* p = std::strstr(lpCmdLine, "--class ")) className = std::string(p + 8).substr(0, std::strcspn(p + 8, " "));
    wc.lpszClassName = className.c_str();
    if (!RegisterClassA(&wc)) return 1;
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "STREAM FLOOR", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320,
                                200, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd || !Open(hWnd, bytes)) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
