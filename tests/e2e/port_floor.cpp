// The floor of the receive path under Wine, for the soak's memory figures: the
// least a program can do to take bytes from a serial port one at a time the
// way the watch thread does (wait for the received-character event, ask the
// queue's length, one overlapped read of one byte), with none of the
// program's own work. What its memory and heap do per byte received is what
// the program's own growth is set against.
//   port_floor.exe PORT REPORT [--every N]
//   port_floor.exe PORT REPORT --cycles N
//     PORT            the port to open (COM1)
//     REPORT          a file: one line "bytes N private_kb K handles H
//                     heap_blocks B heap_bytes S" at the start and after every
//                     N bytes (default 10000)
//     --cycles N      no reading: N times what Connect and Disconnect do to the
//                     port (open and set it up, a thread waiting for the
//                     comm event, the mask cleared to end that wait, close),
//                     a report line after every tenth ("cycles N ...")
// Ends when the port's far end goes away, or after an hour.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/process_figures.h"

namespace {

HANDLE port = INVALID_HANDLE_VALUE;
long every = 10000;
FILE* report = nullptr;

void Report(const char* what, long count)
{
    unsigned long blocks;
    unsigned long long bytes;
    HeapInUse(&blocks, &bytes);
    std::fprintf(report, "%s %ld private_kb %lu handles %lu heap_blocks %lu heap_bytes %llu\n", what, count,
                 static_cast<unsigned long>(PrivateBytes() / 1024), static_cast<unsigned long>(CountHandles()),
                 blocks, bytes);
    std::fflush(report);
}

HANDLE OpenPort(const char* name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(h, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    SetCommState(h, &dcb);
    return h;
}

// Waits for one comm event, as the watch thread does; ends when the mask is cleared.
DWORD WINAPI Waiter(LPVOID started)
{
    OVERLAPPED wait = {};
    wait.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD mask = 0, got;
    const bool pending = !WaitCommEvent(port, &mask, &wait) && GetLastError() == ERROR_IO_PENDING;
    SetEvent(static_cast<HANDLE>(started));
    if (pending) GetOverlappedResult(port, &wait, &got, TRUE);
    CloseHandle(wait.hEvent);
    return 0;
}

int Cycles(const char* name, long cycles)
{
    Report("cycles", 0);
    HANDLE started = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    for (long i = 1; i <= cycles; ++i) {
        port = OpenPort(name);
        if (port == INVALID_HANDLE_VALUE) {
            CloseHandle(started);
            return 1;
        }
        SetCommMask(port, EV_RXCHAR);
        HANDLE waiter = CreateThread(nullptr, 0, Waiter, started, 0, nullptr);
        WaitForSingleObject(started, INFINITE);
        Sleep(10);
        SetCommMask(port, 0);
        WaitForSingleObject(waiter, INFINITE);
        CloseHandle(waiter);
        CloseHandle(port);
        if (i % 10 == 0) Report("cycles", i);
    }
    CloseHandle(started);
    return 0;
}

DWORD WINAPI Reader(LPVOID)
{
    OVERLAPPED wait = {}, read = {};
    wait.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    read.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetCommMask(port, EV_RXCHAR);
    long bytes = 0;
    Report("bytes", bytes);
    const DWORD until = GetTickCount() + 3600 * 1000;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        DWORD mask = 0, got;
        if (!WaitCommEvent(port, &mask, &wait)) {
            if (GetLastError() != ERROR_IO_PENDING) break;
            if (!GetOverlappedResult(port, &wait, &got, TRUE)) break;
        }
        for (;;) {
            DWORD errors;
            COMSTAT stat = {};
            if (!ClearCommError(port, &errors, &stat)) return 0;
            if (stat.cbInQue == 0) break;
            unsigned char byte;
            DWORD n = 0;
            if (!ReadFile(port, &byte, 1, &n, &read)) {
                if (GetLastError() != ERROR_IO_PENDING) return 0;
                GetOverlappedResult(port, &read, &n, TRUE);
            }
            if (n != 1) continue;
            if (++bytes % every == 0) Report("bytes", bytes);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: port_floor PORT REPORT [--every N] | --cycles N\n");
        return 2;
    }
    long cycles = 0;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--every") == 0 && i + 1 < argc) every = std::atol(argv[++i]);
        else if (std::strcmp(argv[i], "--cycles") == 0 && i + 1 < argc) cycles = std::atol(argv[++i]);
    }
    if (every <= 0) every = 10000;
    report = std::fopen(argv[2], "w");
    if (report == nullptr) return 1;
    if (cycles > 0) return Cycles(argv[1], cycles);
    port = OpenPort(argv[1]);
    if (port == INVALID_HANDLE_VALUE) {
        std::fprintf(report, "cannot open %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }

    HANDLE reader = CreateThread(nullptr, 0, Reader, nullptr, 0, nullptr);
    WaitForSingleObject(reader, INFINITE);
    CloseHandle(reader);
    return 0;
}
