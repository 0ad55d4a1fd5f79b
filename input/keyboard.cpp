// Typed characters: case-mapped, played locally, then sent. Key-down messages,
// the arrow keys among them, play and send nothing.
#include "input/keyboard.h"

#include "input/key_map.h"
#include "terminal/tty_view.h"

LRESULT OnChar(HWND hWnd, WPARAM wParam)
{
    unsigned char ch = TypeKeyCharacter(static_cast<unsigned>(wParam));
    ProcessTTYCharacter(hWnd, ch);
    return 0;
}

LRESULT OnKeyDown() { return 0; }
