#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy, every finding an error) over
# the module's sources, two files at a time. Usage: run_clang_tidy.sh BUILD_DIR
# (a build directory with compile_commands.json).
set -euo pipefail
build="${1:?usage: run_clang_tidy.sh BUILD_DIR}"
cd "$(dirname "$0")/.."
command -v clang-tidy >/dev/null || { echo "clang-tidy not installed" >&2; exit 1; }
# The options of g++ that clang does not know are not findings.
git ls-files -co --exclude-standard 'entry/*.cpp' 'setup/*.cpp' 'logonui/*.cpp' \
  'lockout/*.cpp' 'store/*.cpp' 'res/*.cpp' ':!res/artwork/**' |
  xargs -r -n 4 -P 2 clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option
