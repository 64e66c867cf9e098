#!/usr/bin/env bash
# Installs, once, the Debian packages that building and testing need. Safe to run again.
set -euo pipefail

# fonts-wine: Wine's own fonts; wine-env.sh puts its Marlett into the prefix for the caption
# buttons. clang-format and shellcheck: the layout check that runs before every build. git and
# python3: the release archive, its entries dated with the commit's time.
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine wine32:i386 wine64 fonts-wine xvfb xdotool x11-apps imagemagick xauth
          clang-format shellcheck python3 git)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  [ "$(id -u)" = 0 ] && sudo= || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
echo "bootstrap: packages ready"
