#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang in build/fuzz, replays every seed and every input
# that once failed, then runs each target for SECONDS (default 30).
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Working corpora grow in build/fuzz/corpus/<target>; inputs that fail are saved in
# build/fuzz/findings/<target>/ and the script ends with status 1. A finding, once fixed, goes to
# fuzz/regressions/<target>/ so the replay keeps it fixed.
# Environment: FUZZ_JOBS (targets run side by side, default 1), FUZZ_NICE (default 19),
# PIMDESK_SHARED_TESTDATA (the shared test data, default ../shared/testdata).
set -euo pipefail
seconds=${1:-30}
shift || true
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=build/fuzz
nice_level=${FUZZ_NICE:-19}

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing (Debian packages clang and libclang-rt-14-dev)" >&2
  exit 2
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIMDESK_FUZZ=ON \
  $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
nice -n "$nice_level" cmake --build "$build" -j "$(nproc)" --target fuzz_all

# Replay first: a finding that came back fails here, before any new fuzzing.
ctest --test-dir "$build" --output-on-failure

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$build"/fuzz/fuzz_*; do
    [ -x "$f" ] && [ -f "$f" ] && targets+=("$(basename "$f")")
  done
fi

# Seeds that are not kept in fuzz/corpus: the test documents of each kind and the Outlook files
# of the shared test data (read where they are, never copied into the repository).
shared=${PIMDESK_SHARED_TESTDATA:-../shared/testdata}
extra_seeds() { # target
  case "$1" in
    fuzz_addressbook) echo tests/data/import/addressbook-*.xml ;;
    fuzz_datebook) echo tests/data/import/datebook-*.xml ;;
    fuzz_todolist) echo tests/data/import/todolist-*.xml ;;
    fuzz_pst) ls "$shared"/pst/*.pst "$shared"/pst/*.ost 2>/dev/null || true ;;
  esac
}

# The targets' stores and files go to a memory file system when there is one: faster, and no disk wear.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

status=0
run_one() { # target
  local t=$1 corpus="$build/corpus/$1" findings="$build/findings/$1" seeds="$build/seeds/$1"
  mkdir -p "$corpus" "$findings" "$seeds"
  local files
  files=$(extra_seeds "$t")
  [ -n "$files" ] && cp -f $files "$seeds"/ 2>/dev/null || true
  local options=(-max_len=16384)
  case "$t" in
    fuzz_addressbook | fuzz_datebook | fuzz_todolist) options+=(-dict=fuzz/xml.dict) ;;
    fuzz_pst) options=(-max_len=300000) ;; # the small sample files whole
  esac
  local kept=()
  [ -d "fuzz/corpus/$t" ] && kept=("fuzz/corpus/$t")
  local log="$build/findings/$t.log"
  echo "== $t: $seconds s"
  if ASAN_OPTIONS=detect_leaks=0 nice -n "$nice_level" "$build/fuzz/$t" "${options[@]}" -max_total_time="$seconds" \
    -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "${kept[@]}" "$seeds" >"$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE" "$log" | tr '\n' ' '
    echo
  else
    echo "FINDING in $t (input saved in $findings/):"
    tail -40 "$log"
    return 1
  fi
}

jobs=${FUZZ_JOBS:-1}
pids=()
for t in "${targets[@]}"; do
  if [ "$jobs" -le 1 ]; then
    run_one "$t" || status=1
  else
    run_one "$t" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then
      wait "${pids[0]}" || status=1
      pids=("${pids[@]:1}")
    fi
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
exit $status
