#!/usr/bin/env bash
# Start-up and shutdown as a person sees them: the splash for about a second,
# then the main window with a blank terminal; closing asks first, Cancel keeps
# the program and its sound going, OK ends it with exit code 0.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
dir=$(bed_workdir player)
# The driver is looking for the splash before the program starts, so that it
# sees the splash come and can time how long it stays.
drive splash-then-window 30000 >"$BED_DIR/splash.txt" &
watcher=$!
sleep 2
bed_launch "$dir"
bed_capture_start "$BED_DIR/cap.raw"
wait "$watcher"
splash=$(<"$BED_DIR/splash.txt")
echo "splash: $splash"
main_state=${splash#* main }
expect "the splash shows first, over a hidden main window" "${main_state%%,*}" hidden
size=${splash#splash }
expect_true "the splash is fitted to its 602 x 117 picture" within "${size%% *}" 602 612
shown_ms=${splash##*after }
shown_ms=${shown_ms% ms}
expect_true "the main window follows the splash after about a second" within "$shown_ms" 900 2000
title="$(printf '%76s' '')QUAVERTON v1.0"
window=$(drive wait-window 10000)
expect "main window at (0, 0), 800 x 600, with its title" "${window%|*}" "0 0 800 600|$title"

expect "disconnected: Connect is enabled" "$(drive menu-state $IDM_CONNECT)" enabled
expect "disconnected: Disconnect is greyed" "$(drive menu-state $IDM_DISCONNECT)" grayed
expect "the blank terminal paints in the window colour" "$(drive pixel 300 200)" "255 255 255"
sleep 1
expect "the program keeps running" "$(bed_running && echo yes)" yes

drive send-close >/dev/null
expect "closing asks first" "$(drive wait-msgbox 5000)" "TTY Sample|OK to close window?"
drive press-msgbox 2 >/dev/null
sleep 1
expect "Cancel keeps the program running" "$(bed_running && echo yes)" yes
before=$(stat -c %s "$BED_DIR/cap.raw")
sleep 1
after=$(stat -c %s "$BED_DIR/cap.raw")
expect "the sound stream goes on after Cancel" "$((after - before > 30000))" 1

drive post-command $IDM_EXIT >/dev/null  # menu Exit
expect "menu Exit asks too" "$(drive wait-msgbox 5000)" "TTY Sample|OK to close window?"
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
expect "OK ends the program with exit code 0" "$BED_EXIT" 0
bed_finish
