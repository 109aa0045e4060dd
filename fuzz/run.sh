#!/usr/bin/env bash
# Runs every fuzz target of a sanitized build for SECONDS each, JOBS at a time, and fails on any
# crash, leak, sanitizer report or time-out. The generated seeds in BUILD/fuzz/seeds/<target>/
# run first, once each; fuzzing then starts from the seeds in fuzz/corpus/<target>/ (the script
# host's also from the conformance and demo scripts) and what earlier runs found, kept in
# BUILD/fuzz/work/<target>/ (never in the repository). A failing input goes into
# BUILD/fuzz/artifacts/. Prints the executions of each target.
#
# usage: run.sh BUILD SECONDS [JOBS]
#   reproduce a failure: BUILD/bin/halvora-fuzz-<target> BUILD/fuzz/artifacts/<file>
set -uo pipefail
build=$(cd "$1" && pwd) seconds=$2 jobs=${3:-1}
cd "$(dirname "$0")/.."
targets=(xml data gateway script)
# An undefined-behaviour report shows where it came from, as an address report does.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

run_target() {
  local name=$1
  local program=$build/bin/halvora-fuzz-$name log=$build/fuzz/$name.log
  local work=$build/fuzz/work/$name artifacts=$build/fuzz/artifacts
  mkdir -p "$work" "$artifacts"
  : >"$log"
  # The generated seeds run once each, whole: mutating megabyte inputs would slow every run a
  # hundredfold for little the small seeds do not reach.
  local generated=("$build/fuzz/seeds/$name"/*)
  if [ -e "${generated[0]}" ]; then
    "$program" -artifact_prefix="$artifacts/$name-" "${generated[@]}" </dev/null >>"$log" 2>&1 || {
      echo 1 >"$build/fuzz/$name.code"
      return
    }
  fi
  local options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=2048
    -artifact_prefix="$artifacts/$name-")
  [ -f "fuzz/dict/$name.dict" ] && options+=(-dict="fuzz/dict/$name.dict")
  local seeds=("fuzz/corpus/$name")
  # The conformance and demo scripts seed the script host as they are.
  [ "$name" = script ] && seeds+=(tests/scripts demo)
  "$program" "${options[@]}" "$work" "${seeds[@]}" </dev/null >>"$log" 2>&1
  echo $? >"$build/fuzz/$name.code"
}

# The value of one of libFuzzer's final statistics in a log.
stat() { sed -n "s/^stat::$2: *//p" "$1" | tail -n 1; }

mkdir -p "$build/fuzz"
for name in "${targets[@]}"; do
  rm -f "$build/fuzz/$name.code"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run_target "$name" &
done
wait

status=0
for name in "${targets[@]}"; do
  log=$build/fuzz/$name.log
  code=$(cat "$build/fuzz/$name.code" 2>/dev/null || echo "?")
  runs=$(stat "$log" number_of_executed_units)
  generated=$(grep -c '^Executed ' "$log")
  line="fuzz $name: ${runs:-?} executions in ${seconds} s, $(stat "$log" new_units_added) new \
inputs, peak $(stat "$log" peak_rss_mb) MB; $generated generated seed(s) first"
  if [ "$code" != 0 ] || [ -z "$runs" ]; then
    echo "FAIL $line (exit code $code); the end of $log:"
    tail -n 60 "$log"
    status=1
  else
    echo "$line"
  fi
done
exit "$status"
