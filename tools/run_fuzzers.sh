#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset, clang) and runs each over its
# seeds in fuzz/corpus/<name>/, one target at a time.
#
#   tools/run_fuzzers.sh                  short run: a few seconds per target
#   tools/run_fuzzers.sh --runs 10000000  long run: that many inputs per target
#   tools/run_fuzzers.sh --time 600       long run: that many seconds per target
#                                         (with --runs: whichever ends first)
#   tools/run_fuzzers.sh --jobs 2 ...     a long run in that many processes that
#                                         share one corpus (runs count them all)
#   tools/run_fuzzers.sh --max-len 512 ... inputs at most that many bytes
#   tools/run_fuzzers.sh --if-available   skip quietly without clang/libFuzzer
#   tools/run_fuzzers.sh [options] NAME.. only these targets (e.g. pda_script)
#
# New inputs a long run keeps go to build/fuzz/corpus/<name>/ and seed the
# next long run (the seeds in the tree are only read); crashes go to
# build/fuzz/artifacts/. A summary line per target gives executions,
# exec/s and the outcome; the exit status is 1 when any target found a
# crash, leak or timeout.
set -uo pipefail
cd "$(dirname "$0")/.."

runs=
seconds=
jobs=1
max_len=
only_if_available=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --time) seconds="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --max-len) max_len="$2"; shift 2 ;;
    --if-available) only_if_available=1; shift ;;
    -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
    -*) echo "run_fuzzers: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

if ! [[ "$jobs" =~ ^[1-9][0-9]*$ ]]; then
  echo "run_fuzzers: --jobs needs a number of processes, not '$jobs'" >&2
  exit 2
fi

# libFuzzer comes with clang's runtime: check that a fuzzer links at all.
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  > "$probe_dir/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe_dir/probe.cpp" -o "$probe_dir/probe" 2>/dev/null; then
  if [ "$only_if_available" = 1 ]; then
    echo "run_fuzzers: clang with libFuzzer not found, fuzz targets skipped" >&2
    exit 0
  fi
  echo "run_fuzzers: clang with libFuzzer is needed (tools/ensure_packages.sh --tests)" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz --target fuzzers || exit 1

build=build/fuzz
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do
    name=$(basename "$f" .cpp)
    targets+=("${name%_fuzz}")
  done
fi

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p "$build/artifacts" "$build/logs"
# Runs the target in $jobs processes on the one corpus directory, each
# picking up what the others add (libFuzzer reloads it); a process that
# stops with a finding stops the rest, so the first finding still ends the
# run. libFuzzer's own fork mode restarts a process for every short job and
# reloads its seeds each time, which cost a slow target most of its time.
run_workers() {
  local pids=() logs=() j done_pid worker_status left
  : > "$log"
  for ((j = 1; j <= jobs; j++)); do
    logs+=("$build/logs/$name.$j.log")
    nice -n 10 "$binary" "${args[@]}" "$work" "$seeds" > "${logs[-1]}" 2>&1 &
    pids+=($!)
  done
  status=0
  while [ ${#pids[@]} -gt 0 ]; do
    wait -n -p done_pid "${pids[@]}"
    worker_status=$?
    left=()
    for j in "${pids[@]}"; do [ "$j" = "$done_pid" ] || left+=("$j"); done
    pids=("${left[@]}")
    if [ $worker_status -ne 0 ] && [ $status -eq 0 ]; then
      status=$worker_status
      [ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null
    fi
  done
  cat "${logs[@]}" > "$log"
  executed=$(sum_stat number_of_executed_units "${logs[@]}")
  rate=$(sum_stat average_exec_per_sec "${logs[@]}")
}

# The sum of one final libFuzzer figure over the given logs.
sum_stat() {
  local stat=$1
  shift
  sed -n "s/^stat::$stat: *//p" "$@" | awk '{ n += $1 } END { print n }'
}

failed=0
printf '%-20s %12s %10s  %s\n' target executions exec/s outcome
for name in "${targets[@]}"; do
  binary="$build/fuzz/${name}_fuzz"
  seeds="fuzz/corpus/$name"
  work="$build/corpus/$name"
  # The short run starts from the seeds alone, so its time stays the same
  # however much the long runs have collected.
  if [ -z "$runs" ] && [ -z "$seconds" ]; then
    work="$build/short-corpus/$name"
    rm -rf "$work"
  fi
  log="$build/logs/$name.log"
  if [ ! -x "$binary" ]; then
    echo "run_fuzzers: no target $name" >&2
    failed=1
    continue
  fi
  mkdir -p "$work" "$seeds"
  args=(-timeout=25 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$build/artifacts/$name-")
  # The short run: a few seconds per target.
  [ -z "$runs" ] && [ -z "$seconds" ] && args+=(-max_total_time=6)
  # The processes share the run count.
  [ -n "$runs" ] && args+=(-runs=$(( (runs + jobs - 1) / jobs )))
  [ -n "$seconds" ] && args+=(-max_total_time="$seconds")
  [ -n "$max_len" ] && args+=(-max_len="$max_len")
  run_workers
  outcome=ok
  if grep -q "ERROR: LeakSanitizer" "$log"; then outcome=leak
  elif grep -q "ERROR: libFuzzer: timeout" "$log"; then outcome=timeout
  elif grep -q "ERROR: libFuzzer: out-of-memory" "$log"; then outcome=out-of-memory
  elif [ $status -ne 0 ]; then outcome=crash
  fi
  printf '%-20s %12s %10s  %s\n' "$name" "${executed:-?}" "${rate:-?}" "$outcome"
  if [ "$outcome" != ok ]; then
    failed=1
    grep -m1 -E "ERROR:|broken promise|SUMMARY" "$log" >&2
    echo "  log: $log" >&2
  fi
done
exit $failed
