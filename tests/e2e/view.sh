# The pattern view as a person sees it: the client area read from the screen,
# and the picture it should show, composed from the program's own bitmaps at
# their places. Sourced after bed.sh by the tests that look at the view.
#
#   view_init                          once the main window shows
#   view_shot FILE                     the client area, from a screenshot
#   view_expected FILE [name=value...] the view that state should paint
#   view_expect NAME EXPECTED SHOT [X Y W H]   no pixel differs (in that region)
#
# State for view_expected (defaults: the start-up state): pads=00000000 (steps
# 1..8 of the shown drum pattern), rows="0 0 ..." (42 roll rows), digits="1 4
# 1 4" (drum pattern, drum tempo, piano pattern, piano tempo), chat=1 (0: only
# PLAY and STOP on a blank window).

VIEW_BITMAPS=${VIEW_BITMAPS:-$BED_BUILD}
NOTE_COLOUR='#2211FF'   # red 34, green 17, blue 255

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

# The digit bitmap of a value 1..8 (there is no bitmap 139).
view__digit() { echo $((133 + $1 + ($1 >= 6))); }

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
    for ((s = 0; s < 8; s++)); do view__at $((124 + ${pads:s:1})) $((10 + 74 * s)) 10; done
    for ((c = 0; c < 42; c++)); do view__at 129 $((10 + 14 * c)) 150; done
    # The grid's closing line is the strip's own left line.
    args+=("(" "$VIEW_BITMAPS/bitmap129.bmp" -crop 1x391+0+0 +repage ")" -geometry +598+150 -composite)
    args+=(+antialias -fill "$NOTE_COLOUR")
    c=0
    for r in $rows; do
      args+=(-draw "rectangle $((14 * c + 11)),$((11 * r + 151)) $((14 * c + 23)),$((11 * r + 160))")
      c=$((c + 1))
    done
    read -ra d <<<"$digits"
    for x in 650:0:0 720:0:1 650:400:2 720:400:3; do
      IFS=: read -r x y i <<<"$x"
      view__at 132 "$x" "$y"
      view__at 133 "$x" $((y + 100))
      view__at "$(view__digit "${d[i]}")" "$x" $((y + 50))
    done
  fi
  view__at 130 650 200
  view__at 131 650 250
  convert "${args[@]}" "$out"
}

# view_expect NAME EXPECTED SHOT [X Y W H]: the region (default: the whole
# view right of x 10, where the terminal's caret never is) holds the same
# pixels in both pictures; on a difference, says how many and where.
view_expect() {
  local name=$1 expected=$2 shot=$3 region differ box
  region="$((VIEW_W - 10))x${VIEW_H}+10+0"
  (($# >= 7)) && region="${6}x${7}+${4}+${5}"
  convert "$expected" -crop "$region" +repage "$BED_DIR/view-want.png"
  convert "$shot" -crop "$region" +repage "$BED_DIR/view-got.png"
  differ=$(compare -metric AE "$BED_DIR/view-want.png" "$BED_DIR/view-got.png" "$BED_DIR/view-diff.png" 2>&1 >/dev/null)
  differ=${differ%% *}
  if [[ $differ == 0 ]]; then
    echo "ok: $name"
    return 0
  fi
  box=$(convert "$BED_DIR/view-want.png" "$BED_DIR/view-got.png" -compose difference -composite -threshold 0 -format %@ info: 2>/dev/null)
  echo "FAIL: $name: $differ pixels differ from the expected view (within ${box:-?} of region $region)"
  BED_FAILURES=$((BED_FAILURES + 1))
  [[ -n ${VIEW_KEEP:-} ]] && cp "$shot" "$VIEW_KEEP/$(tr -c 'a-zA-Z0-9' _ <<<"$name").png"
  return 1
}
