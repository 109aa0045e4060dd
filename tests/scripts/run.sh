#!/usr/bin/env bash
# Runs one conformance script under a script host with the loyalty simulator on loopback and the
# unattended UI, then checks what a host would see:
#   - the exit code is 0 and the last line printed is "0 failure(s)";
#   - the boxes shown, logged as JSON lines, equal NAME.expected beside the script.
# Input-box answers come from NAME.answers when it exists. Lines "'@env NAME=VALUE" at the top of
# a script set variables for that run (after the simulator's, so a script can point elsewhere).
#
# usage: run.sh SCRIPT.vbs SIM HOST [HOST ARGS...]
#   e.g. run.sh tests/scripts/loyalty_balance.vbs build/bin/halvora-sim build/bin/halvora run
set -uo pipefail

script=$1 sim=$2
shift 2
base=${script%.vbs}
work=$(mktemp -d)
trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT

"$sim" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  grep -q '^HALVORA_LOYALTY_HOST=' "$work/sim.out" && break
  sleep 0.1
done
host_line=$(grep -m1 '^HALVORA_LOYALTY_HOST=' "$work/sim.out") || {
  echo "FAIL $script: the simulator did not start"; cat "$work/sim.out"; exit 1; }

export HALVORA_UI=script
export HALVORA_UI_LOG="$work/boxes.jsonl"
export HALVORA_UI_ANSWERS="$base.answers"
export HALVORA_NETSTATE=online,lan
export "${host_line?}"
while IFS= read -r line; do
  export "${line#\'@env }"
done < <(grep "^'@env " "$script")
: >"$HALVORA_UI_LOG"

timeout 120 "$@" "$script" </dev/null >"$work/stdout" 2>"$work/stderr"
code=$?
cat "$work/stdout"
last=$(tail -n 1 "$work/stdout" | tr -d '\r')
status=0
if [ "$code" -ne 0 ] || [ "$last" != "0 failure(s)" ]; then
  echo "FAIL $script: exit code $code, last line '$last'"
  cat "$work/stderr"
  status=1
fi
if ! diff -u "$base.expected" "$HALVORA_UI_LOG"; then
  echo "FAIL $script: the boxes differ from $base.expected (above: - expected, + shown)"
  status=1
fi
[ "$status" -eq 0 ] && echo "PASS $script"
exit "$status"
