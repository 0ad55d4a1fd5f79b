// What the driver and its probe (a hook DLL on the program's user-interface
// thread, for what only the owning process can read, such as menu states)
// agree on: the request message, the named reply block and its ready event.
#pragma once

#include <windows.h>

namespace qprobe {

const char REQUEST_MESSAGE[] = "QuavertonDriverProbeRequest";  // RegisterWindowMessageA
const char REPLY_BLOCK[] = "QuavertonDriverProbeReply";         // a named file mapping
const char REPLY_READY[] = "QuavertonDriverProbeReady";         // a named event
const char HOOK_EXPORT[] = "ProbeGetMessageHook";               // the WH_GETMESSAGE procedure

constexpr WPARAM REQUEST_MENU = 1;    // list the main window's menu
constexpr WPARAM REQUEST_SCREEN = 2;  // the terminal screen's rows and cursor
constexpr WPARAM REQUEST_CURSOR = 3;  // the mouse cursor the program has set

// The reply: one line per menu item, "path|command|state" ("path|popup|state"
// for a submenu, "path-|separator" for a separator), states "enabled" or
// "grayed", with "|checked" added for checked items. The screen: 25 lines
// "row|text" (bytes outside 0x20..0x7E as \xNN, trailing spaces dropped),
// then "cursor|row column". The cursor: "arrow", "wait", "none" or "other".
struct Reply {
    LONG length;
    char text[64000];
};

}  // namespace qprobe
