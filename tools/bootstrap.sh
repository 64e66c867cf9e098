#!/usr/bin/env bash
# Installs, once, the Debian packages that building and testing need. Safe to run again.
# Tested on Debian 12 (bookworm) and Debian 13 (trixie) on amd64; elsewhere it says so and goes on.
set -euo pipefail

# fonts-wine: Wine's own fonts; wine-env.sh puts its Marlett into the prefix for the caption
# buttons. libclang-rt-dev: the sanitizer runtimes of the release's default clang (the native
# preset), so no compiler version is named here. clang-format and shellcheck: the layout check
# that runs before every build. git and python3: the release archive, its entries dated with the
# commit's time.
packages=(cmake ninja-build g++ clang libclang-rt-dev googletest
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine wine32:i386 wine64 fonts-wine xvfb xdotool x11-apps imagemagick xauth
          clang-format shellcheck python3 git)

# "ID VERSION_ID|VERSION_CODENAME|PRETTY_NAME" of this system.
# shellcheck source=/dev/null
os=$( (. /etc/os-release && echo "$ID $VERSION_ID|${VERSION_CODENAME:-}|$PRETTY_NAME") \
  2>/dev/null || echo "||no /etc/os-release")
arch=$(dpkg --print-architecture)
release=${os%%|*}
codename=$(cut -d'|' -f2 <<<"$os")
if [ "$arch" != amd64 ] || { [ "$release" != "debian 12" ] && [ "$release" != "debian 13" ]; }; then
  echo "bootstrap: found ${os##*|} on $arch; tested on Debian 12 and 13 (amd64) only, going on"
fi

[ "$(id -u)" = 0 ] && sudo= || sudo=sudo
missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails one index or another now and then: the lists it did read still
  # serve, and the look-up below names any package they lack.
  if ! $sudo apt-get update -qq; then
    echo "bootstrap: apt-get update failed for some package lists (above); going on with the rest"
  fi
  # apt-get stops at the first name it does not know: look each one up first so that the error
  # names them all.
  unknown=()
  for p in "${missing[@]}"; do
    candidate=$(apt-cache policy "$p" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ] || unknown+=("$p")
  done
  if [ ${#unknown[@]} -gt 0 ]; then
    echo "bootstrap: not to be had from this system's package sources: ${unknown[*]}" >&2
    exit 1
  fi
  install() { $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
  if [ ${#missing[@]} -gt 0 ] && ! install "${missing[@]}"; then
    # 32-bit and 64-bit copies of a library must be of one version: when a list of one kind was not
    # read, the release's own suite may still have both.
    echo "bootstrap: trying again with the versions of $codename itself preferred"
    if [ -z "$codename" ] || ! install -t "$codename" "${missing[@]}"; then
      echo "bootstrap: apt-get could not install: ${missing[*]}" >&2
      exit 1
    fi
  fi
fi
echo "bootstrap: packages ready"
