#!/usr/bin/env bash
# The soak's short run: 60 s, 10 connect/disconnect cycles, 2 cuts of the
# cable (tests/e2e/soak_bench.sh runs the long one).
export SOAK_SECONDS=${SOAK_SECONDS:-60} CYCLES=${CYCLES:-10} CUTS=${CUTS:-2} BED_DEADLINE=${BED_DEADLINE:-285}
exec bash "$(dirname "$0")/soak_bench.sh"
