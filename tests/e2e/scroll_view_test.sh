#!/usr/bin/env bash
# Scrolling the terminal leaves the pattern view where it is. With a font
# large enough that the 80 x 25 screen no longer fits the window, scroll bars
# appear; scrolling moves the window's contents, and the view's pads, roll,
# arrows, digits and PLAY and STOP must show at their fixed places again
# after every line, page and thumb scroll, both ways, as they did before it.
source "$(dirname "$0")/bed.sh"
source "$(dirname "$0")/view.sh"
view_player || exit 1
SETTINGS=$IDD_SETTINGS_CAPTION

# A 20-point terminal font, chosen in the font chooser and confirmed.
drive post-command $IDM_SETTINGS >/dev/null
drive wait-dialog "$SETTINGS" 5000 >/dev/null
drive dialog-command "$SETTINGS" $IDC_FONTBTN >/dev/null
drive wait-dialog Font 5000 >/dev/null
drive dialog-set Font 1138 20 >/dev/null
drive dialog-command Font 1 >/dev/null
drive wait-dialog-gone Font 5000 >/dev/null
drive dialog-command "$SETTINGS" 1 >/dev/null
drive wait-dialog-gone "$SETTINGS" 5000 >/dev/null
expect_true "the screen no longer fits: both scroll ranges are open ($(drive record xScroll) $(drive record yScroll))" \
  test "$(drive record xScroll)" -gt 0 -a "$(drive record yScroll)" -gt 0
sleep 0.5
view_init || exit 1
want=$BED_DIR/want.png
view_expected "$want"
view_expect "before any scroll the view is whole" "$want"

WM_HSCROLL=0x114 WM_VSCROLL=0x115
SB_LINEUP=0 SB_LINEDOWN=1 SB_PAGEUP=2 SB_PAGEDOWN=3 SB_THUMBPOSITION=4 SB_TOP=6
# scrolled NAME MESSAGE CODE [POSITION]: that scroll, then the view checked.
scrolled() {
  drive send-message "$2" $(($3 | ${4:-0} << 16)) 0 >/dev/null
  view_expect "after $1 the view is where it was (offsets $(drive record xOffset) $(drive record yOffset))" "$want"
}
scrolled "a line down" $WM_VSCROLL $SB_LINEDOWN
scrolled "a page down" $WM_VSCROLL $SB_PAGEDOWN
scrolled "a line up" $WM_VSCROLL $SB_LINEUP
scrolled "the thumb moved to 100" $WM_VSCROLL $SB_THUMBPOSITION 100
scrolled "a line right" $WM_HSCROLL $SB_LINEDOWN
scrolled "a page right" $WM_HSCROLL $SB_PAGEDOWN
scrolled "a page left" $WM_HSCROLL $SB_PAGEUP
scrolled "the vertical page up" $WM_VSCROLL $SB_PAGEUP
scrolled "the top" $WM_VSCROLL $SB_TOP
bed_close
bed_finish
