#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# the core natively, under ASan+UBSan and under TSan; the fuzz programs for a
# bounded run; then the Windows builds and their tests under Wine.
#   scripts/test.sh          everything
#   scripts/test.sh quick    while working: the native build's tests and the
#                            shipped program's short end-to-end set
#   scripts/test.sh native   only the native core tests (no Wine needed)
#
# Every end-to-end test runs on the 32-bit program that ships; the 64-bit
# build runs its unit tests and the short set (label quick). Where Wine cannot
# run 32-bit programs, the 64-bit build takes every end-to-end test in its
# place. The end-to-end tests that may run beside a build do so while the
# other builds are made; those that measure sound closely run after the
# builds, and those that measure time closely run with nothing else
# (tests/e2e/CMakeLists.txt gives each test's label). Each stage prints its
# time as it ends; the run fails if any stage failed.
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
case $what in
  all | quick | native) ;;
  *) echo "usage: $0 [all|quick|native]" >&2; exit 2 ;;
esac

scripts/setup.sh "$([[ $what == native ]] && echo native || echo all)"

jobs=$(nproc)
began=$(date +%s)
failed=()

# stage NAME COMMAND...: runs COMMAND and prints the time it took. A failed
# stage is remembered (finish then fails the run) and its status returned.
stage() {
  local name=$1 start status=0
  shift
  start=$(date +%s)
  "$@" || status=$?
  if ((status == 0)); then
    echo "---- $name: $(($(date +%s) - start)) s"
  else
    echo "---- $name: FAILED ($status) after $(($(date +%s) - start)) s"
    failed+=("$name")
  fi
  return "$status"
}

# The builds and their tests that run beside the end-to-end tests do so at a
# lower priority (build_nice), so that the programs under test get a core
# when they ask for one: a player starved for a tenth of a second leaves a
# gap in its sound.
build_nice=0
build() {
  nice -n "$build_nice" cmake --preset "$1" >/dev/null && nice -n "$build_nice" cmake --build --preset "$1" -j"$jobs"
}
# A preset's tests, several at a time unless told otherwise. The native
# presets' tests run one at a time: the screen's thread tests need a core of
# their own to show their interleavings.
run_tests() {
  local preset=$1 n=$jobs
  shift
  [[ $preset == win* ]] || n=1
  nice -n "$build_nice" ctest --preset "$preset" -j"$n" "$@"
}
wine_runs() { grep -q '^QUAVERTON_WINE_RUNS:[A-Z]*=ON$' "build/$1/CMakeCache.txt" 2>/dev/null; }

finish() {
  echo "==== all stages: $(($(date +%s) - began)) s"
  if ((${#failed[@]} > 0)); then
    echo "failed: ${failed[*]}" >&2
    exit 1
  fi
  exit 0
}

stage "native build" build native || finish
stage "native tests" run_tests native || finish
if [[ $what == native ]]; then
  for preset in asan tsan fuzz; do
    stage "$preset build" build "$preset" || finish
    stage "$preset tests" run_tests "$preset" || finish
  done
  finish
fi

# The asset program and the Linux tools of the end-to-end tests come from the
# native build, which has just made them, rather than being built again by
# each Windows build.
configure_cross() {
  local preset
  for preset in win32 win64; do
    cmake --preset "$preset" -DQUAVERTON_ASSET_TOOL="$PWD/build/native/make_assets" \
      -DQUAVERTON_E2E_TOOLS="$PWD/build/native/tests/e2e" >/dev/null || return
  done
}
cross() { nice -n "$build_nice" cmake --build --preset "$1" -j"$jobs"; }
stage "win32 and win64 configure" configure_cross || finish
# The 32-bit program takes every end-to-end test; where Wine cannot run
# 32-bit programs, the 64-bit build takes them in its place.
if wine_runs win32; then
  full=win32 other=win64
else
  echo "Wine cannot run 32-bit programs here: the 64-bit build takes every end-to-end test"
  full=win64 other=win32
fi
wine_runs "$full" || { echo "Wine cannot run $full programs here" >&2; failed+=("wine"); finish; }

if [[ $what == quick ]]; then
  stage "$full build" cross "$full" || finish
  stage "$full quick set" run_tests "$full" -L quick -LE alone
  finish
fi

# That build comes first, so that its tests can start while the rest is built.
stage "$full build" cross "$full" || finish
# Beside the builds: the end-to-end tests that measure neither sound nor time.
pool_log=build/e2e-beside-builds.log
(
  start=$(date +%s) status=0
  ctest --preset "$full" -j"$jobs" -LE 'alone|quiet' || status=1
  echo "---- $full tests beside the builds: $(($(date +%s) - start)) s"
  exit "$status"
) >"$pool_log" 2>&1 &
pool=$!

builds_ok=1
build_nice=10
stage "$other build" cross "$other" || builds_ok=0
for preset in asan tsan fuzz; do
  ((builds_ok)) || break
  stage "$preset build" build "$preset" || { builds_ok=0; break; }
  stage "$preset tests" run_tests "$preset" || true
done
build_nice=0
echo "---- waiting for the $full tests beside the builds"
pool_status=0
wait "$pool" || pool_status=$?
cat "$pool_log"
((pool_status == 0)) || failed+=("$full tests beside the builds")
((builds_ok)) || finish

if wine_runs "$other"; then
  stage "$other quick set" run_tests "$other" -L quick -LE alone || true
else
  stage "$other tests (its file; Wine cannot run it here)" run_tests "$other" || true
fi
stage "$full end-to-end tests measuring sound" run_tests "$full" -L quiet || true
stage "$full end-to-end tests measuring time, one at a time" run_tests "$full" -L alone -j1 || true
finish
