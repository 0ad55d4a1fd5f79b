#!/usr/bin/env bash
# The program under Wine at its simplest: it shows its main window; closing
# asks first, Cancel keeps it and OK ends it with 0; without bank 1 it says so
# and ends with 0; and the run leaves nothing behind.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
title="$(printf '%76s' '')QUAVERTON v1.0"

dir=$(bed_workdir player)
bed_launch "$dir"
window=$(drive wait-window 30000)
expect "the main window shows at (0, 0), 800 x 600, with its title" "${window%|*}" "0 0 800 600|$title"
drive send-close >/dev/null
expect "closing asks first" "$(drive wait-msgbox 5000)" "TTY Sample|OK to close window?"
drive press-msgbox 2 >/dev/null
sleep 0.5
expect_true "Cancel keeps the program running" bed_running
expect "Cancel keeps the main window" "$(drive wait-window 2000 | cut -d'|' -f1)" "0 0 800 600"
drive send-close >/dev/null
expect "OK closes the window" "$(drive press-msgbox 1 5000 | cut -d'|' -f1)" "pressed 1"
bed_wait_exit 20
expect "after OK the program ends with exit code 0" "$BED_EXIT" 0

dir=$(bed_workdir no-bank-1)
rm "$dir/SAMPLE2.WAV"
bed_launch "$dir"
expect "without SAMPLE2.WAV start-up says so" "$(drive wait-msgbox 30000)" "ERROR|ERROR OPENING WAVE FILE SAMPLE2.WAV"
drive press-msgbox 1 >/dev/null
bed_wait_exit 20
expect "and the program then ends with exit code 0" "$BED_EXIT" 0

bed_finish
