#!/usr/bin/env bash
# Checks that the release comes out the same, byte for byte, when built again elsewhere: makes the
# archive in the win32 build (out/win32) and checks what it holds, copies the sources to a
# temporary folder and builds the program and the archive there, later, under umask 077 and another
# time zone, then compares the program, the archive and its checksum file. Run after the win32
# preset is built.
# Exit status 0 only when every file is the same; a differing second build is kept for a look.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
start=$SECONDS
first=out/win32

if ! cmake --build --preset win32 --target package >out/package-win32.log 2>&1; then
  tail -n 40 out/package-win32.log
  echo "reproducible: FAIL the archive could not be made in $first"
  exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$first/CMakeCache.txt")
archive=TAVRIK9-$version-win32.zip

# The archive holds the program exactly as built and its note; never the stand-in library.
unpacked=$(mktemp -d)
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$first/$archive")
held=$(cd "$unpacked" && echo *)
built=$first/dist/TAVRIK9.exe
if [ "$held" != "ReadMe.txt TAVRIK9.exe" ] || ! cmp -s "$unpacked/TAVRIK9.exe" "$built"; then
  echo "reproducible: FAIL $archive holds $held, not the program as built and ReadMe.txt"
  rm -rf "$unpacked"
  exit 1
fi
rm -rf "$unpacked"

# The sources as they are now, committed or not, with the repository that gives the commit time;
# the copy's files get the permissions umask 077 leaves.
copy=$(mktemp -d "${TMPDIR:-/tmp}/tavrik9-rebuild.XXXXXX")
tar -C . --exclude=./out -cf - . |
  (umask 077 && tar -C "$copy" --no-same-owner --no-same-permissions -xf -)
second=$copy/out/win32

# A build that puts the time into the program must be caught: the second build starts at least
# two seconds after the first one linked the program.
linked=$(stat -c %Y "$first/dist/TAVRIK9.exe")
while [ "$(date +%s)" -lt $((linked + 3)) ]; do sleep 0.5; done

# Only what the archive needs is built the second time.
if ! (cd "$copy" && umask 077 && export TZ=XXX-14 &&
  cmake --preset win32 && cmake --build --preset win32 --target package) \
  >out/rebuild-win32.log 2>&1; then
  tail -n 40 out/rebuild-win32.log
  echo "reproducible: FAIL the second build in $copy failed"
  exit 1
fi

status=0
for file in dist/TAVRIK9.exe "$archive" "$archive.sha256"; do
  if ! cmp -s "$first/$file" "$second/$file"; then
    bytes=$(cmp -l "$first/$file" "$second/$file" 2>/dev/null |
      awk 'NR == 1 { at = $1 }
           END { printf "%d bytes differ%s", NR, NR ? ", the first at " at : "" }')
    sizes=$(stat -c %s "$first/$file" "$second/$file" | paste -sd/)
    echo "reproducible: FAIL ${file#dist/} differs between the two builds: $bytes, sizes $sizes"
    status=1
  fi
done
if [ $status = 0 ]; then
  rm -rf "$copy"
  sha256sum "$first/dist/TAVRIK9.exe" "$first/$archive" | sed 's/^/reproducible: /'
  echo "reproducible: TAVRIK9.exe, $archive and its .sha256 the same from $first and a copy" \
    "built later elsewhere ($((SECONDS - start)) s)"
else
  echo "reproducible: the second build stays in $copy"
fi
exit $status
