// Typed characters: case-mapped, played locally, then sent. Key-down messages,
// the arrow keys among them, play and send nothing.
#include "input/keyboard.h"

#include "input/peer_protocol.h"
#include "terminal/tty_view.h"

LRESULT OnChar(HWND hWnd, WPARAM wParam)
{
    SendPeerMessage(hWnd, PlayTypedKey(static_cast<unsigned>(wParam)));
    return 0;
}

LRESULT OnKeyDown() { return 0; }
