# Sourced by the scripts that run the Windows program: picks the Wine loader for
# a build and keeps every Wine process of a run in one private prefix.
#
# 32-bit Windows code runs under Wine only where the kernel runs 32-bit user
# code; where it does not, the x86-64 build of the same sources is the one that
# runs, and the 32-bit build is only built and inspected.

WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

# The build whose program can run under Wine on this machine: win32 or win64.
quaverton_runnable_build() {
  if "$WINE32" --version >/dev/null 2>&1; then echo win32; else echo win64; fi
}

# The loader for a Windows executable: wine for PE32, wine64 for PE32+.
quaverton_wine_loader() {
  if file -b "$1" | grep -q 'PE32+'; then echo "$WINE64"; else echo "$WINE32"; fi
}

# Sets up the environment for WINEPREFIX=$1 and makes the prefix once (wineboot
# takes seconds, so a build tree keeps its prefix). Mono and Gecko are not
# wanted: the program needs neither.
quaverton_wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
  export WINELOADER=${WINELOADER:-$WINE64}
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f $WINEPREFIX/.quaverton-ready ]]; then
      rm -rf "$WINEPREFIX"
      "$WINELOADER" wineboot -i >/dev/null 2>&1
      "$WINESERVER" -w
      touch "$WINEPREFIX/.quaverton-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Copies prefix $1 to $2 for one run. The DLLs and programs (nearly all of a
# prefix's 700 MB, and never written while programs run) become hard links
# where the file system allows it; the registry and every other file are real
# copies, so the run can change them without touching $1.
quaverton_wine_prefix_copy() {
  local base=$1 copy=$2 f
  (
    flock -s 9
    if ! cp -al "$base" "$copy" 2>/dev/null; then
      rm -rf "$copy"
      cp -a "$base" "$copy"
      exit
    fi
    find "$copy" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' \
      -o -iname '*.nls' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.tlb' \
      -o -iname '*.ds' -o -iname '*.ax' -o -iname '*.com' -o -iname '*.msstyles' \) -print0 |
      while IFS= read -r -d '' f; do cp -a --remove-destination "$base/${f#"$copy"/}" "$f"; done
  ) 9>"$base.lock"
}

# The sound server's buffering. Wine's PulseAudio driver asks for 30 ms (three
# periods of 10 ms) and plays on at once after running dry; PulseAudio's
# PULSE_LATENCY_MSEC replaces that request, and also makes the server wait
# after running dry until it holds the whole amount again. Measured under
# Wine with 2048-byte blocks in the stress run (tests/e2e/stress_bench.sh,
# 180 s each): Wine's own request broke up 0 times at a median 61 ms from key
# to sound; 20 ms broke up 179 times (44 ms), 30 ms 3 times (76 ms); with
# 1024-byte blocks 50 ms and 60 ms broke up every 1.5 s. So the players start
# with Wine's own request, and a PULSE_LATENCY_MSEC of the user's is passed
# on unchanged for a sound system that wants another.
