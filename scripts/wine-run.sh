#!/usr/bin/env bash
# Runs one Windows program under Wine in a given prefix and returns its exit
# code; used as the cross build's test emulator. The prefix's wineserver is
# ended when the program ends, however it ends, so a run leaves nothing behind.
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

prefix=$1
shift
export WINELOADER=$(quaverton_wine_loader "$1")
quaverton_wine_prefix "$prefix"
trap '"$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null' EXIT
"$WINELOADER" "$@"
