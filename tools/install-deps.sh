#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine lacks.
# Wine runs 32-bit programs beside 64-bit ones, as users' machines do: that takes the i386
# architecture (wine32), installed only where the kernel runs 32-bit programs. The 32-bit MinGW
# compiler, a 64-bit program, is installed everywhere: the 32-bit test programs are always built.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  cmake make g++ python3
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine64 xvfb xdotool imagemagick x11-apps nsis
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  googletest clang libclang-rt-14-dev util-linux procps
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

foreign_added=0
want32=0
if run32=$(./run32-check.sh); then
  want32=1
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    foreign_added=1
  fi
elif dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  # Debian's wine and wineboot commands prefer the 32-bit loader once wine32 is installed.
  echo "Note: $run32, so the wine command fails here while wine32 is installed (repair: ${sudo:+$sudo }apt-get remove wine32:i386); going on through the 64-bit loader."
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
missing32=0
if [ $want32 -eq 1 ]; then
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" || missing32=1
fi
[ ${#missing[@]} -eq 0 ] && [ $missing32 -eq 0 ] && [ $foreign_added -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync fails an index now and then; try again, then go on with the
# indexes that did arrive: the install below says so if a package cannot be had.
for attempt in 1 2 3; do
  $sudo apt-get update -q && break
  [ $attempt -lt 3 ] && sleep 10
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# Wine's 32-bit part on its own: without it everything runs 64-bit, and the Wine session reports the
# 32-bit cases as skipped (wine-session.sh). Its i386 libraries must match the versions of the amd64
# ones exactly, which an index missing from a mirror can make impossible for a while.
if [ $missing32 -eq 1 ]; then
  echo "Installing: wine32:i386"
  $sudo apt-get install -y -q --no-install-recommends wine32:i386 ||
    echo "Note: Wine's 32-bit part (wine32:i386) could not be installed; the 32-bit cases are skipped until it is."
fi
