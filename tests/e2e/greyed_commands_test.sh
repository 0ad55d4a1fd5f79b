#!/usr/bin/env bash
# Commands of greyed menu items. Shift+PgUp (Connect) while connected and
# Shift+PgDn (Disconnect) while disconnected, pressed through the system's
# keyboard input, do nothing: the accelerators of greyed items are not
# carried out. And should such a command arrive all the same (posted by
# another program), Connect does not open the port a second time over the
# live connection, and Disconnect while disconnected changes nothing.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
bed_raw_player || exit 1
VK_SHIFT=0x10 VK_PRIOR=0x21 VK_NEXT=0x22
opens() { grep -c '^open' "$BED_DIR/peer.log"; }

# ---- Disconnected ----
drive key-input $VK_SHIFT $VK_NEXT >/dev/null
expect "Shift+PgDn while disconnected shows no message" "$(drive no-msgbox 1000)" none
drive post-command $IDM_DISCONNECT >/dev/null
expect "a Disconnect command while disconnected shows no message" "$(drive no-msgbox 1000)" none
expect "and leaves Connect enabled, Disconnect greyed" "$(drive menu-state $IDM_CONNECT) $(drive menu-state $IDM_DISCONNECT)" \
  "enabled grayed"
expect "the port was never opened" "$(opens)" 0

# ---- Connected ----
drive key-input $VK_SHIFT $VK_PRIOR >/dev/null
expect_true "Shift+PgUp while disconnected connects" quiet peer_wait '^open' 5
expect "Connect is greyed now" "$(drive menu-state $IDM_CONNECT)" grayed
# The port's handle and the watch thread of the live connection.
connection() { echo "port $(drive record idComDev), watch thread $(drive record dwThreadID)"; }
live=$(connection)
# line_works TEXT KEY: the connection still receives (TEXT shown on the
# screen's last written row) and still sends (KEY, as its upper case).
line_works() {
  peer write "\\r\\n$1"
  expect_match "$2: the live connection still receives" "$(wait_screen "^$1\$" 5)" "$1\$"
  drive post-char "$3" >/dev/null
  expect_true "$2: and still sends" quiet peer_wait "^rx .* ${3^^}\$" 5
}
drive key-input $VK_SHIFT $VK_PRIOR >/dev/null
expect "Shift+PgUp while connected shows no message" "$(drive no-msgbox 1000)" none
line_works Q "after Shift+PgUp" w
expect "after Shift+PgUp the connection is the one made first" "$(connection)" "$live"
drive post-command $IDM_CONNECT >/dev/null
expect "a Connect command while connected shows no message" "$(drive no-msgbox 1000)" none
line_works R "after a Connect command" e
expect "the port was opened once" "$(opens)" 1
expect "after a Connect command the connection is the one made first" "$(connection)" "$live"
drive key-input $VK_SHIFT $VK_NEXT >/dev/null
expect_true "Shift+PgDn while connected disconnects" quiet peer_wait '^hangup' 5
expect "Connect is enabled again" "$(drive menu-state $IDM_CONNECT)" enabled
bed_close
bed_finish
