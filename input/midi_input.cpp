// MIDI input. Notes arrive as MM_MIM_DATA messages on the user-interface
// thread; each key press plays locally first and is then sent to the peer
// (input/peer_protocol.h makes its bytes).
#include "input/midi_input.h"

#include "input/midi_notes.h"
#include "input/peer_protocol.h"
#include "terminal/tty_view.h"

UINT wNumDevices = 0;
HMIDIIN midikeyb = nullptr;
UINT wRtn = 0;
DWORD midinote = 0;
UINT midistatus = 0;
UINT mididata = 0;

namespace {
const char szSystemInfo[] = "SYSTEM INFO";
}  // namespace

void OpenMidiInput(HWND hWnd)
{
    wNumDevices = midiInGetNumDevs();
    if (wNumDevices == 0) return;
    MessageBoxA(hWnd, "MIDI FOUND", szSystemInfo, MB_OK);
    wRtn = midiInOpen(&midikeyb, 0, reinterpret_cast<DWORD_PTR>(hWnd), 0, CALLBACK_WINDOW);
    if (wRtn != 0) {
        midikeyb = nullptr;
        MessageBoxA(hWnd, "MIDI ERROR NO MIDI", szSystemInfo, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (midikeyb) midiInStart(midikeyb);
}

void CloseMidiInput()
{
    midiInStop(midikeyb);
    midiInReset(midikeyb);
    midiInClose(midikeyb);
    midikeyb = nullptr;
}

LRESULT OnMidiOpen(HWND hWnd)
{
    MessageBoxA(hWnd, "MIDI CHANNEL OPENENED", szSystemInfo, MB_OK);
    return 0;
}

LRESULT OnMidiData(HWND hWnd, LPARAM lParam)
{
    midinote = static_cast<DWORD>(lParam);
    const MidiKeyPress press = DecodeMidiShortMessage(midinote);
    midistatus = press.key;
    mididata = press.velocity;
    SendPeerMessage(hWnd, PlayMidiKeyPress(press));
    return 0;
}
