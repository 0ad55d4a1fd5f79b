#!/usr/bin/env bash
# The README's run command as a newcomer uses it: a duet on one machine, each
# player in a Wine desktop window of their own, side by side; a key typed by
# one reaches the other; the line is recorded in both directions; the recorded
# partner is then replayed against one player with its timing; and each run
# ends everything it started when it is stopped.
source "$(dirname "$0")/bed.sh"
bed_start || exit 1
record=$BED_DIR/session.txt

# The first characters of row 0 of a player's terminal.
row0() { bed_as "$1" drive screen 0 | cut -c1-"$2"; }
# The writes of a record, each side's run of writes joined: B"RQWE" A"Z".
sides() { awk '!/^#/ { side = $2; bytes = $3; gsub(/"/, "", bytes)
                        if (side != last && last != "") printf "%s\"%s\" ", last, run
                        if (side != last) run = ""; run = run bytes; last = side }
                END { if (last != "") printf "%s\"%s\" ", last, run }' "$1"; }
# x of a player's desktop window on the display.
window_x() {
  local id
  id=$(xdotool search --name "^Quaverton player $1" 2>/dev/null | head -n1)
  [[ -n $id ]] && xdotool getwindowgeometry "$id" | sed -n 's/.*Position: \([0-9-]*\),.*/\1/p'
}

# ---- Duet, recorded ----
bed_launcher duet duet --record "$record"
bed_launcher_wait duet 'close the windows' 120 >/dev/null || { bed_finish; exit 1; }
expect_true "player A connects" bed_as duet-A bed_connect
expect_true "player B connects" bed_as duet-B bed_connect
sleep 0.5
expect "the two windows stand side by side" "$(window_x A) $(window_x B)" "0 830"
bed_as duet-B drive post-char R >/dev/null
sleep 0.6
bed_as duet-B drive post-char qwe >/dev/null
sleep 0.4
bed_as duet-A drive post-char z >/dev/null
sleep 1
expect "what player B types reaches player A" "$(row0 duet-A 4)" RQWE
expect "what player A types reaches player B" "$(row0 duet-B 1)" Z
bed_launcher_stop duet
expect "the launcher ends when stopped" "$?" 143
expect "the record holds both directions in order" "$(sides "$record")" 'B"RQWE" A"Z" '
expect_true "the launcher said where the record is" grep -q "line was recorded in $record" \
  "$BED_DIR/launch-duet/launcher.log"
expect "nothing of the duet is left running" "$(bed_launcher_leftovers duet)" ""

# ---- Replay: player B of the record against a player ----
bed_launcher replay replay "$record" --record "$BED_DIR/replayed.txt"
bed_launcher_wait replay 'close the windows' 120 >/dev/null || { bed_finish; exit 1; }
expect_true "the player connects to the recorded partner" bed_as replay-A bed_connect
sleep 2.5  # the partner starts 1 s after the open; its writes span about 0.6 s
expect "the recorded partner's bytes reach the player" "$(row0 replay-A 4)" RQWE
bed_launcher_stop replay
# The partner's writes against the record: the same bytes at the same spacing.
read -r -a original < <(awk '$2 == "B" { printf "%s ", $1 }' "$record")
read -r -a replayed < <(awk '$2 == "B" { printf "%s ", $1 }' "$BED_DIR/replayed.txt")
expect "the replay writes the partner's bytes again, and records what the player sent" \
  "$(sides "$BED_DIR/replayed.txt")" 'B"RQWE" '
error=$(awk -v a="${original[1]:-0} - ${original[0]:-0}" -v b="${replayed[1]:-0} - ${replayed[0]:-0}" \
  'BEGIN { split(a, x, " - "); split(b, y, " - "); d = (y[1] - y[2]) - (x[1] - x[2]); print (d < 0 ? -d : d) }')
echo "replay timing: spacing recorded $(awk -v x="${original[1]:-0}" -v y="${original[0]:-0}" 'BEGIN { print x - y }') ms, replayed with an error of $error ms"
echo "replay: $(grep -m1 "^pass" "$BED_DIR/launch-replay/cable.log")"
expect_true "the replay keeps the recorded spacing within 5 ms" within "$error" 0 5
bed_finish
