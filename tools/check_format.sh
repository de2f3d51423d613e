#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted with .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format not installed" >&2; exit 1; }
git ls-files -co --exclude-standard '*.cpp' '*.h' | xargs -r clang-format --dry-run -Werror
