#!/usr/bin/env bash
# The crash-consistency harness with many more power cuts than the default
# run: 600 (100 per save path) unless CRASH_RUNS says otherwise. Builds the
# release preset first. VEYR_TEST_SEED=N replays a run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target crash_tests password_cpl coredll panel
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
VEYR_CRASH_RUNS="${CRASH_RUNS:-600}" exec build/release/tests/crash_tests "$@"
