#!/usr/bin/env bash
# Runs the device-session and logon scenario tests under valgrind's memcheck
# (invalid reads and writes, uninitialised values, leaks), on a -O1 -g build
# of its own (preset "valgrind", build/valgrind). Slow, so not part of
# ./test.sh. Exit status 0 only when every run is free of errors.
#
#   tools/valgrind.sh                  the usual set
#   tools/valgrind.sh BINARY FILTER    one test program with a gtest filter
set -euo pipefail
cd "$(dirname "$0")/.."
tools/ensure_packages.sh --valgrind
cmake --preset valgrind >/dev/null
cmake --build --preset valgrind --target entry_tests device_tests password_cpl coredll panel pda \
  alarm_wave veyr_fixtures

build=build/valgrind
logs=$build/valgrind-logs
rm -rf "$logs"
mkdir -p "$logs"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

if [ $# -eq 2 ]; then
  runs=("$1|$2")
else
  # The whole-process memory scan is left out: under memcheck it would read
  # the tool's own memory as well.
  runs=(
    "device_tests|ShellSessionTest.*"
    "entry_tests|LogonSessionTest.*:PromptForPasswdTest.*:FalseLogonTest.*:UnblockTest.*:LogonBaseTest.*"
  )
fi

status=0
start=$(date +%s)
for run in "${runs[@]}"; do
  binary=${run%%|*}
  filter=${run#*|}
  echo "== $binary --gtest_filter=$filter" >&2
  # Every process (forked children too) gets a log of its own.
  if ! valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
    --suppressions=tools/valgrind.supp --log-file="$logs/$binary.%p.log" \
    "$build/tests/$binary" --gtest_filter="$filter" --gtest_brief=1; then
    status=1
  fi
done
end=$(date +%s)

errors=$(cat "$logs"/*.log | sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' |
  awk '{ s += $1 } END { print s + 0 }')
echo "memcheck: $errors error(s) in $(ls "$logs" | wc -l) process(es), $((end - start)) s;" \
  "logs in $logs" >&2
[ "$errors" -eq 0 ] || status=1
exit $status
