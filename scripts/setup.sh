#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, skipping
# what is already there. Groups: native (build and run), windows (the
# cross-compilers), tools (disk tools the tests cross-check with), fuzz
# (clang with libFuzzer), all (those four), gui (Wine, a virtual screen and a
# Japanese font, to run and photograph the GUI; not part of all).
set -euo pipefail

declare -A PKGS=(
  [native]="cmake ninja-build g++ libgtest-dev libc-bin"
  [windows]="g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686"
  [tools]="fdisk gdisk dosfstools ntfs-3g util-linux"
  [fuzz]="clang libclang-rt-14-dev"
  [gui]="wine wine64 xvfb xdotool imagemagick fonts-ipafont-gothic"
)

wanted=()
for group in "${@:-native}"; do
  if [ "$group" = all ]; then
    for g in native windows tools fuzz; do wanted+=(${PKGS[$g]}); done
  elif [ -n "${PKGS[$group]:-}" ]; then
    wanted+=(${PKGS[$group]})
  else
    echo "setup.sh: unknown group $group" >&2
    exit 2
  fi
done

missing=()
for pkg in "${wanted[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null 2>&1 || { echo "setup.sh: need root to install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
  fi
  echo "setup.sh: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine in an English locale draws Japanese as empty boxes until the dialog
# fonts are linked to a Japanese font, as Windows links its own fonts. The
# link also draws Latin text in that font, so it goes into a Wine prefix of its
# own for the Japanese GUI (~/.wine-ja, or VEKTREL_WINE_JA), not the default one.
if [[ " $* " == *" gui "* ]]; then
  export WINEPREFIX="${VEKTREL_WINE_JA:-$HOME/.wine-ja}" WINEDEBUG=-all
  key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  for face in Tahoma "Segoe UI"; do
    wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >/dev/null 2>&1 ||
      { echo "setup.sh: could not link the Japanese font in the Wine prefix $WINEPREFIX" >&2; exit 1; }
  done
  wineserver -w 2>/dev/null || true
fi
