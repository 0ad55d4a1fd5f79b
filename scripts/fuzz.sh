#!/usr/bin/env bash
# A fuzz campaign: builds the fuzz preset, then runs each fuzz program for
# SECONDS (default 600), one at a time and single-process, at low priority.
# Each program grows its corpus in build/fuzz/fuzz-corpus/NAME (started from
# NAME-seeds) and writes crashes, timeouts and leaks to
# build/fuzz/fuzz-findings/NAME/; its output goes to build/fuzz/fuzz-logs/NAME.log.
# Prints one line per program and exits 1 when any program has a finding.
#   scripts/fuzz.sh [SECONDS]
#   FUZZ_PROGRAMS="tty_screen_fuzz ..."  only these programs
#   FUZZ_MAX_LEN=N                       longest input (default 4096, as the tests use)
#   FUZZ_RUNS=N                          end a program after N inputs, if sooner
# Not part of scripts/test.sh, whose fuzz tests run a bounded number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

scripts/setup.sh native
nice -n 10 cmake --preset fuzz >/dev/null
nice -n 10 cmake --build --preset fuzz -j2 >/dev/null

build=build/fuzz
if [[ -n ${FUZZ_PROGRAMS:-} ]]; then
  read -r -a programs <<<"$FUZZ_PROGRAMS"
else
  # Every fuzz program the build made.
  mapfile -t programs < <(find "$build/fuzz" -maxdepth 1 -type f -executable -name '*_fuzz' \
                            -printf '%f\n' | sort)
fi
[[ ${#programs[@]} -gt 0 ]] || { echo "fuzz: no fuzz programs in $build/fuzz" >&2; exit 2; }

mkdir -p "$build/fuzz-logs"
failed=0
for name in "${programs[@]}"; do
  program=$build/fuzz/$name
  [[ -x $program ]] || { echo "fuzz: no program $program" >&2; exit 2; }
  corpus=$build/fuzz-corpus/$name
  findings=$build/fuzz-findings/$name
  log=$build/fuzz-logs/$name.log
  mkdir -p "$corpus" "$findings"

  # New inputs go to the first folder, the corpus; the seeds are only read.
  rc=0
  started=$(date +%s)
  nice -n 10 "$program" -max_total_time="$seconds" -max_len="${FUZZ_MAX_LEN:-4096}" \
    -runs="${FUZZ_RUNS:--1}" \
    -timeout=20 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "$corpus-seeds" >"$log" 2>&1 || rc=$?

  elapsed=$(($(date +%s) - started))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  status=$(grep -E '^#[0-9]+.* cov: ' "$log" | tail -n 1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")
  corpus_size=$(find "$corpus" -type f | wc -l)
  found=$(find "$findings" -type f | wc -l)

  printf '%-20s runs %-12s seconds %-6s cov %-6s ft %-7s corpus %-6s findings %s\n' \
    "$name" "${runs:-?}" "$elapsed" "${cov:-?}" "${ft:-?}" "$corpus_size" "$found"
  if [[ $found -gt 0 || $rc -ne 0 ]]; then
    failed=1
    [[ $rc -ne 0 ]] && echo "  $name exited with $rc; see $log" >&2
  fi
done
exit "$failed"
