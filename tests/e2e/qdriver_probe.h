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

// Requests, and what each answers (one line per item):
// - MENU: the main window's menu, "path|command|state" ("path|popup|state" for
//   a submenu, "path-|separator" for a separator), states "enabled" or
//   "grayed", with "|checked" added for checked items.
// - DIALOG: the shown dialog of the program captioned `args` ("" for one
//   without a caption): "dialog|caption|x y w h", then per control
//   "id|class|text|enabled|visible|checked|selection|items" (items joined by
//   ';'; the last three empty where they do not apply).
// - DIALOG_SET: in the dialog captioned by the first line of `args`, sets
//   control (second line, decimal id) to the third line as a person would: a
//   list's item of that exact text is chosen, any other list or edit gets the
//   text typed in, a check box is checked ("1") or cleared ("0"); the dialog
//   is told as by the control itself. Answers "set" or "fail: why".
// - RECORD: the main window's connection and terminal record, "name=value"
//   per line.
// - SCREEN: the terminal's 25 rows, \ and bytes outside 0x20..0x7E as \xNN, then
//   "cursor ROW COLUMN".
constexpr WPARAM REQUEST_MENU = 1;
constexpr WPARAM REQUEST_DIALOG = 2;
constexpr WPARAM REQUEST_DIALOG_SET = 3;
constexpr WPARAM REQUEST_RECORD = 4;
constexpr WPARAM REQUEST_SCREEN = 5;
constexpr WPARAM REQUEST_CURSOR = 6;  // the mouse cursor set: "arrow", "wait", "none" or "other"
// What the terminal has been given to write so far: "shown COUNT hash HASH"
// (FNV-1a, 8 hexadecimal digits), read under the screen's lock.
constexpr WPARAM REQUEST_TALLY = 7;
// What the program holds: "handles N gdi G user U private_kb P working_kb W"
// (handles tried one by one where the system gives no count; GDI and USER
// objects as the system counts them, 0 under Wine; committed private memory).
constexpr WPARAM REQUEST_RESOURCES = 8;
// The client rectangle "X Y W H" of the main window is drawn over in red and
// then made invalid with erasing, as a window moved across it leaves it, and
// the program is left to repaint it: "uncovered".
constexpr WPARAM REQUEST_UNCOVER = 9;
// The icon of the program's shown message box: "exclamation", "hand",
// "question", "asterisk", "none" (no icon shown) or "other"; "fail: why"
// without a box.
constexpr WPARAM REQUEST_MSGBOX_ICON = 10;

struct Reply {
    char args[1024];  // written by the driver before it asks
    LONG length;
    char text[64000];
};

}  // namespace qprobe
