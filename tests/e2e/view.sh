# The pattern view as a person sees it: the client area read from the screen,
# and the picture it should show, composed from the program's own bitmaps at
# their places. Sourced after bed.sh by the tests that look at the view.
#
#   view_player                        bed_start and one player, shown
#   view_init                          once the main window shows
#   view_shot FILE                     the client area, from a screenshot
#   view_expected FILE [name=value...] the view that state should paint
#   view_matches EXPECTED [X Y W H]    whether the screen shows it now
#   view_compare EXPECTED [X Y W H]    the same for a shot taken before
#   view_expect NAME EXPECTED [X Y W H]  the screen comes to show it (a check)
#
# State for view_expected (defaults: the start-up state): pads=00000000 (steps
# 1..8 of the shown drum pattern), rows="0 0 ..." (42 roll rows), digits="1 4
# 1 4" (drum pattern, drum tempo, piano pattern, piano tempo), chat=1 (0: only
# PLAY and STOP on a blank window).

VIEW_BITMAPS=${VIEW_BITMAPS:-$BED_BUILD}
NOTE_COLOUR='#2211FF'   # red 34, green 17, blue 255

# view_player: the display, the sound and one player, its window shown.
view_player() {
  bed_start || return 1
  bed_launch "$(bed_workdir player)"
  drive wait-window 30000 >/dev/null
}

# Client size and where the client area lies on the screen.
view_init() {
  local size origin
  size=$(drive client-size) && origin=$(drive client-origin) || { bed_log "no main window to look at"; return 1; }
  VIEW_W=${size% *} VIEW_H=${size#* } VIEW_X=${origin% *} VIEW_Y=${origin#* }
}

view_shot() {
  bed_screenshot "$BED_DIR/screen.png" &&
    convert "$BED_DIR/screen.png" -crop "${VIEW_W}x${VIEW_H}+${VIEW_X}+${VIEW_Y}" +repage "$1"
}

# The digit bitmap of a value 1..8.
view__digit() { local digits=("" $IDB_DIGIT1 $IDB_DIGIT2 $IDB_DIGIT3 $IDB_DIGIT4 $IDB_DIGIT5 $IDB_DIGIT6 $IDB_DIGIT7 $IDB_DIGIT8); echo "${digits[$1]}"; }

# Adds to ARGS: bitmap ID copied at (X, Y).
view__at() { args+=("$VIEW_BITMAPS/bitmap$1.bmp" -geometry "+$2+$3" -composite); }

view_expected() {
  local out=$1 pads=00000000 rows chat=1 digits="1 4 1 4" arg s c r x y i d args
  rows=$(printf '0 %.0s' {1..42})
  shift
  for arg in "$@"; do
    case $arg in
      pads=*) pads=${arg#*=} ;;
      rows=*) rows=${arg#*=} ;;
      digits=*) digits=${arg#*=} ;;
      chat=*) chat=${arg#*=} ;;
    esac
  done
  args=(-size "${VIEW_W}x${VIEW_H}" xc:white)
  if [[ $chat == 1 ]]; then
    for ((s = 0; s < 8; s++)); do
      view__at $((${pads:s:1} ? IDB_PADON : IDB_PADOFF)) $((PAD_LEFT + PAD_PITCH * s)) $PAD_TOP
    done
    for ((c = 0; c < 42; c++)); do view__at $IDB_ROLLCOLUMN $((ROLL_LEFT + ROLL_COLUMN_WIDTH * c)) $ROLL_TOP; done
    # The grid's closing line is the strip's own left line.
    args+=("(" "$VIEW_BITMAPS/bitmap$IDB_ROLLCOLUMN.bmp" -crop 1x$ROLL_HEIGHT+0+0 +repage ")"
      -geometry +$((ROLL_LEFT + ROLL_COLUMN_WIDTH * 42))+$ROLL_TOP -composite)
    args+=(+antialias -fill "$NOTE_COLOUR")
    c=0
    for r in $rows; do
      x=$((ROLL_LEFT + 1 + ROLL_COLUMN_WIDTH * c)) y=$((ROLL_TOP + 1 + ROLL_ROW_PITCH * r))
      args+=(-draw "rectangle $x,$y $((x + NOTE_WIDTH - 1)),$((y + NOTE_HEIGHT - 1))")
      c=$((c + 1))
    done
    read -ra d <<<"$digits"
    i=0
    for x in DRUM_PATTERN DRUM_TEMPO PIANO_PATTERN PIANO_TEMPO; do
      local -n up_x=${x}_UP_X up_y=${x}_UP_Y down_y=${x}_DOWN_Y digit_y=${x}_DIGIT_Y
      view__at $IDB_ARROWUP "$up_x" "$up_y"
      view__at $IDB_ARROWDOWN "$up_x" "$down_y"
      view__at "$(view__digit "${d[i]}")" "$up_x" "$digit_y"
      unset -n up_x up_y down_y digit_y
      i=$((i + 1))
    done
  fi
  view__at $IDB_PLAY $PLAY_X $PLAY_Y
  view__at $IDB_STOP $STOP_X $STOP_Y
  convert "${args[@]}" "$out"
}

# view_matches EXPECTED [X Y W H]: whether the screen shows the same pixels
# as EXPECTED in that region (default: the whole view right of x 10, where the
# terminal's caret never is). Sets VIEW_DIFFER to the count of other pixels.
view_matches() {
  view_shot "$BED_DIR/view-shot.png"
  view_compare "$@"
}

# view_compare EXPECTED [X Y W H]: as view_matches, for the client area shot
# already in $BED_DIR/view-shot.png (by view_shot, or read at the moment that
# counts).
view_compare() {
  local region="$((VIEW_W - 10))x${VIEW_H}+10+0"
  (($# >= 5)) && region="${4}x${5}+${2}+${3}"
  VIEW_REGION=$region
  convert "$1" -crop "$region" +repage "$BED_DIR/view-want.png"
  convert "$BED_DIR/view-shot.png" -crop "$region" +repage "$BED_DIR/view-got.png"
  VIEW_DIFFER=$(compare -metric AE "$BED_DIR/view-want.png" "$BED_DIR/view-got.png" null: 2>&1)
  VIEW_DIFFER=${VIEW_DIFFER%% *}
  [[ $VIEW_DIFFER == 0 ]]
}

# view_expect NAME EXPECTED [X Y W H]: the screen comes to match EXPECTED in
# that region within VIEW_WAIT seconds (3), so that a loaded machine's late
# repaint is waited for; on a difference, says how many pixels and where.
view_expect() {
  local name=$1 box deadline=$((SECONDS + ${VIEW_WAIT:-3}))
  shift
  until view_matches "$@"; do
    ((SECONDS < deadline)) || break
    sleep 0.3
  done
  if [[ $VIEW_DIFFER == 0 ]]; then
    echo "ok: $name"
    return 0
  fi
  box=$(convert "$BED_DIR/view-want.png" "$BED_DIR/view-got.png" -compose difference -composite -threshold 0 \
    -format %@ info: 2>/dev/null)
  echo "FAIL: $name: $VIEW_DIFFER pixels differ from the expected view (within ${box:-?} of region $VIEW_REGION)"
  BED_FAILURES=$((BED_FAILURES + 1))
  [[ -n ${VIEW_KEEP:-} ]] && cp "$BED_DIR/view-shot.png" "$VIEW_KEEP/$(tr -c 'a-zA-Z0-9' _ <<<"$name").png"
  return 1
}
