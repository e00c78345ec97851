#!/usr/bin/env bash
# Builds Release (build/release) and runs every benchmark (bench/bench_*), then prints one table of
# all their measurements: operation, records, seconds, records per second, peak memory, ratio to
# the baseline measured in the same run (and which baseline).
#   scripts/bench.sh            all benchmarks
#   scripts/bench.sh NAME...    only those (e.g. bench_export)
# Each benchmark prints its own table (kept in build/release/bench/<name>.log) and, per measurement,
# one line for this script (bench/BenchReport.h):
#   BENCH<TAB>operation<TAB>records<TAB>seconds<TAB>peak-MB<TAB>baseline-seconds<TAB>baseline[<TAB>target...]
# with "-" for what is not measured, and the measurement's targets as ratio=, seconds=, memory-MB=.
# After the table of every measurement comes the table of the targets: each measurement that has
# one, its figure beside the target, and whether it met it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in bench/bench_*.cpp; do names+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build" -j "$(nproc)" --target "${names[@]}"

lines=$(mktemp)
trap 'rm -f "$lines"' EXIT
status=0
for name in "${names[@]}"; do
  echo "running $name ..." >&2
  if ! QT_QPA_PLATFORM=offscreen "$build/bench/$name" >"$build/bench/$name.log" 2>&1; then
    echo "$name failed; see $build/bench/$name.log" >&2
    status=1
  fi
  grep -P '^BENCH\t' "$build/bench/$name.log" >>"$lines" || true
done

echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
awk -F'\t' '
  BEGIN {
    printf "| %-56s | %7s | %9s | %11s | %8s | %6s | %-26s |\n", "operation", "records", "seconds", "records/s", "peak MB", "ratio", "baseline"
    printf "|%s|%s|%s|%s|%s|%s|%s|\n", "----------------------------------------------------------", "--------:", "----------:", "------------:", "---------:", "-------:", "----------------------------"
  }
  {
    rate = ($4 > 0) ? sprintf("%.0f", $3 / $4) : "-"
    ratio = ($6 != "-" && $6 > 0) ? sprintf("%.2f", $4 / $6) : "-"
    printf "| %-56s | %7d | %9.4f | %11s | %8s | %6s | %-26s |\n", $2, $3, $4, rate, $5, ratio, $7
  }' "$lines"
echo
awk -F'\t' '
  BEGIN {
    printf "| %-56s | %7s | %-16s | %-16s | %-18s | %-6s |\n", "target", "records", "seconds", "ratio (target)", "peak MB (target)", "met"
    printf "|%s|%s|%s|%s|%s|%s|\n", "----------------------------------------------------------", "--------:", "------------------", "------------------", "--------------------", "--------"
  }
  NF > 7 {
    met = "yes"; ratioText = "-"; memoryText = "-"; secondsText = sprintf("%.4f", $4)
    for (i = 8; i <= NF; ++i) {
      split($i, kv, "=")
      if (kv[1] == "ratio") {
        ratio = ($6 != "-" && $6 > 0) ? $4 / $6 : -1
        ratioText = sprintf("%.2f (<= %.2f)", ratio, kv[2])
        if (ratio < 0 || ratio > kv[2] + 0) met = "no"
      } else if (kv[1] == "seconds") {
        secondsText = sprintf("%.4f (< %.1f)", $4, kv[2])
        if ($4 >= kv[2] + 0) met = "no"
      } else if (kv[1] == "memory-MB") {
        memoryText = sprintf("%s (< %.1f)", $5, kv[2])
        if ($5 == "-" || $5 >= kv[2] + 0) met = "no"
      }
    }
    printf "| %-56s | %7d | %-16s | %-16s | %-18s | %-6s |\n", $2, $3, secondsText, ratioText, memoryText, met
  }' "$lines"
exit $status
