#!/usr/bin/env bash
# Builds the release preset (incrementally) and starts the device host `pda`
# with the given arguments. Build output goes to standard error so that
# standard output carries only what pda prints. Without arguments pda opens
# the default device in a window when there is a display; without one it
# plays its demo on a temporary device and names the folder of pictures.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure_packages.sh
{
  cmake --preset release >/dev/null
  cmake --build --preset release
} 1>&2
exec build/release/bin/pda "$@"
