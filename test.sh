#!/usr/bin/env bash
# Builds everything and runs every test; non-zero exit on any failure.
# PRESET=asan ./test.sh runs the same suite under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure_packages.sh --tests
preset="${PRESET:-release}"
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
# A short run of every fuzz target over its seeds (clang builds them; once,
# with the release run: they carry the sanitizers themselves).
if [ "$preset" = release ]; then
  tools/run_fuzzers.sh --if-available
fi
