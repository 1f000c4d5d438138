#!/usr/bin/env bash
# Whole-process time of "tivrel report 1" to PDF for one year of a 1 000 000-row history, side
# by side with "timew summary" for the same year over the same intervals (Timewarrior from
# Debian). Both run from a cold process each time, alternately; medians and their ratio are
# printed.
#
# Usage: bench/report_vs_timew.sh [BUILD_DIR] [ROWS] [RUNS]
#   BUILD_DIR  a build with -DTIVREL_BUILD_BENCH=ON (default build-bench, configured and built
#              in Release when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
rows="${2:-1000000}"
runs="${3:-7}"

scripts/install-deps --bench
if [ ! -x "$build/bench/Reports/bench_make_store" ] || [ ! -x "$build/Bin/tivrel" ]; then
  scripts/build "$build" -DTIVREL_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release
fi

work="$(mktemp -d /tmp/tivrel-report-vs-timew-XXXXXX)"
trap 'rm -rf "$work"' EXIT
echo "generating $rows history rows and the same intervals for Timewarrior in $work"
"$build/bench/Reports/bench_make_store" "$work/store" "$rows" "$work/timewdb"
export TIMEWARRIORDB="$work/timewdb"
export QT_QPA_PLATFORM=offscreen

elapsed_ms() { # runs the command, prints its wall time in milliseconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

tivrel_times=()
timew_times=()
for _ in $(seq "$runs"); do
  tivrel_times+=("$(elapsed_ms "$build/Bin/tivrel" --data-dir "$work/store/Store" report 1 \
    --from 2024-01-01 --to 2024-12-31 --out "$work/report1.pdf")")
  timew_times+=("$(elapsed_ms timew summary 2024-01-01 - 2025-01-01)")
done
pages=$(pdfinfo "$work/report1.pdf" 2>/dev/null | awk '/^Pages/ {print $2}')
tivrel_median=$(printf '%s\n' "${tivrel_times[@]}" | median)
timew_median=$(printf '%s\n' "${timew_times[@]}" | median)
echo "tivrel report 1 (PDF, ${pages:-?} pages): ${tivrel_times[*]} ms; median $tivrel_median ms"
echo "timew summary:                 ${timew_times[*]} ms; median $timew_median ms"
awk -v a="$tivrel_median" -v b="$timew_median" \
  'BEGIN {printf "ratio tivrel / timew: %.2f (target at most 0.50)\n", a / b}'
