#!/usr/bin/env bash
# Installs the Debian packages the build needs, and says nothing when they
# are all present. Everything goes to standard error: run.sh keeps standard
# output for the device program. With --tests it adds what only the tests
# use: an X server without a screen and a tool that types and clicks in it,
# and clang with its libFuzzer runtime for the fuzz targets.
# With --valgrind (tools/valgrind.sh) it adds the memory checker.
set -euo pipefail
packages=(
  cmake g++ ninja-build pkg-config clang-format clang-tidy
  libssl-dev libsqlite3-dev
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)
for flag in "$@"; do
  case "$flag" in
    --tests) packages+=(xvfb xdotool clang libclang-rt-dev) ;;
    --valgrind) packages+=(valgrind) ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >&2
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
