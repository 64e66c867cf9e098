#!/usr/bin/env bash
# Checks the sources' layout before anything is built: every C++ file as clang-format 14 lays it
# out (skipped, in one line, with another clang-format), every shell script clean of shellcheck
# warnings and within 100 columns.
# Exit status 0 when all are.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

status=0
mapfile -t cxx < <(find app config device simulator resources tests tools \
  -name '*.cpp' -o -name '*.h' | sort)
# The layout is clang-format 14's (Debian 12, which CI runs). Other releases lay out some of the
# same code differently, so there the C++ layout is left to CI rather than failing unchanged files.
layout_version=14
found_version=$(clang-format --version 2>/dev/null |
  sed -n 's/.*clang-format version \([0-9]*\).*/\1/p')
if [ "$found_version" = "$layout_version" ]; then
  for file in "${cxx[@]}"; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
      echo "lint: $file is not laid out as .clang-format says; fix it with: clang-format -i $file"
      status=1
    fi
  done
  checked="${#cxx[@]} C++ files and "
else
  echo "lint: C++ layout not checked: the layout is clang-format $layout_version's (Debian 12," \
    "as in CI) and this is clang-format ${found_version:-(none found)}"
fi

mapfile -t scripts < <(find .ci tools tests -name '*.sh' -o -path .ci/run | sort)
if ! shellcheck -S warning "${scripts[@]}"; then
  echo "lint: shellcheck -S warning finds the warnings above; mend them"
  status=1
fi
if awk 'length > 100 { print "lint: " FILENAME ":" FNR " is longer than 100 columns"; bad = 1 }
        END { exit bad }' "${scripts[@]}"; then :; else status=1; fi

[ $status = 0 ] && echo "lint: ${checked:-}${#scripts[@]} scripts laid out as agreed"
exit $status
