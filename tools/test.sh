#!/usr/bin/env bash
# Sets everything up, checks the sources' layout, builds every preset and runs every test.
# Exit status 0 only when all pass.
# Where this machine runs no 32-bit code, the 64-bit build runs the window and end-to-end tests and
# the 32-bit program is built and checked without running it; the closing lines say so.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
bash tools/bootstrap.sh || exit 1
bash tools/lint.sh || exit 1
source tools/wine-env.sh
ensure_wine_prefix || exit 1
start_display || exit 1
trap stop_display EXIT
# One server for the whole run: Wine starts fast after the first program.
start_wine_session
probe_win32 || exit 1

# The test programs run their tests shuffled (tests/CMakeLists.txt), all in one order per run.
export GTEST_RANDOM_SEED=$((RANDOM % 99999 + 1))
echo "tests shuffled with seed $GTEST_RANDOM_SEED (GTEST_RANDOM_SEED=N repeats an order)"

passed=0 failed=0
# NAME COMMAND...: one check more, passed or failed by the command's exit status.
count() {
  echo "=== $1"
  if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
for preset in native win64 win32; do
  echo "=== $preset"
  if ! cmake --preset "$preset" >"out/configure-$preset.log" 2>&1; then
    cat "out/configure-$preset.log"
    failed=$((failed + 1))
    continue
  fi
  targets=(all)
  # What cannot run here is built all the same: the program, its library and its release.
  [ "$preset" = win32 ] && [ "$win32_runs" = no ] && targets=(tavrik9 tavrikx_sim)
  if ! cmake --build --preset "$preset" --target "${targets[@]}" >"out/build-$preset.log" 2>&1
  then
    tail -n 40 "out/build-$preset.log"
    failed=$((failed + 1))
    continue
  fi
  [ "${targets[0]}" = all ] || continue
  ctest --preset "$preset" -j2 2>&1 | tee "out/ctest-$preset.log"
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "out/ctest-$preset.log")
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-1}))
done
# The 32-bit program as the maker's library and Windows XP need it, checked without running it.
count "win32 program" python3 tools/check_programs.py out/win32/dist/TAVRIK9.exe \
  out/win64/dist/TAVRIK9.exe
# The program and its archive built again in another folder, later, under another umask: one check.
count reproducible bash tools/check-reproducible.sh
if [ "$win32_runs" = no ]; then
  echo "not run: the 32-bit program and its tests (tavrik9_tests, e2e_tests of the win32 preset)" \
    "were built and checked, not run: $win32_why"
fi
echo "total: $passed passed, $failed failed"
[ "$failed" = 0 ]
