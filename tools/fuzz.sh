#!/usr/bin/env bash
# Builds the fuzz targets of the native preset and fuzzes each for a while on a working copy of
# its seeds. Usage: bash tools/fuzz.sh [seconds per target, default 60]. Exit status 0 only when
# no target crashed; a crash's reproducer stays in out/fuzz/crashes/.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bash tools/fuzz.sh [seconds per target]" >&2
  exit 2
fi

# Each target's seeds are in tests/fuzz/corpus/<target>.
targets=(config_file_fuzz)

crash_count() {  # TARGET: reproducers kept so far
  local files=(out/fuzz/crashes/"$1"-*)
  [ -e "${files[0]}" ] && echo ${#files[@]} || echo 0
}

mkdir -p out/fuzz/crashes
if ! cmake --preset native >out/fuzz/configure.log 2>&1; then
  cat out/fuzz/configure.log; exit 1
fi
if ! cmake --build --preset native --target "${targets[@]}" >out/fuzz/build.log 2>&1; then
  tail -n 40 out/fuzz/build.log; exit 1
fi

status=0
for target in "${targets[@]}"; do
  work=out/fuzz/$target
  rm -rf "$work" && mkdir -p "$work/corpus"
  cp tests/fuzz/corpus/"$target"/* "$work/corpus/"
  before=$(crash_count "$target")

  out/native/tests/$target -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="out/fuzz/crashes/$target-" "$work/corpus" >"$work/fuzz.log" 2>&1
  result=$?

  # "Done N runs in S second(s)" closes a normal run; after a crash only the final statistics
  # remain.
  done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$work/fuzz.log" | tail -n 1)
  if [ -n "$done_line" ]; then
    runs=$(sed -E 's/^Done ([0-9]+) runs in ([0-9]+) second.*/\1/' <<<"$done_line")
    took=$(sed -E 's/^Done ([0-9]+) runs in ([0-9]+) second.*/\2/' <<<"$done_line")
  else
    runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$work/fuzz.log" |
      tail -n 1)
    took=
  fi
  runs=${runs:-0}
  if [ -n "$took" ] && [ "$took" -gt 0 ]; then
    rate=$((runs / took))
  else
    rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+).*/\1/p' "$work/fuzz.log" | tail -n 1)
  fi

  crashes=0
  if [ $result -ne 0 ] || [ -z "$done_line" ]; then
    crashes=$(($(crash_count "$target") - before))
    [ $crashes -gt 0 ] || crashes=1
    status=1
  fi
  echo "$target: $runs executions, ${rate:-0} exec/s, $crashes crashes"
  if [ $crashes -gt 0 ]; then
    grep -E 'SUMMARY|Test unit written to|deadly signal' "$work/fuzz.log" | sed 's/^/  /'
    echo "  log: $work/fuzz.log"
  fi
done
exit $status
