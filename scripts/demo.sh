#!/usr/bin/env bash
# The main job: the simulator on a free loopback port, the loyalty workflow script against it
# with the clerk's answers scripted and every box shown in the transcript, then the simulator
# stopped.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${HALVORA_BIN:-build/bin}
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT

"$bin/halvora-sim" >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do grep -q '^HALVORA_LOYALTY_HOST=' "$work/sim.out" && break; sleep 0.1; done
export "$(grep -m1 '^HALVORA_LOYALTY_HOST=' "$work/sim.out")"
echo "Loyalty simulator listening on $HALVORA_LOYALTY_HOST"
echo

export HALVORA_UI=script HALVORA_UI_TRANSCRIPT=1 HALVORA_NETSTATE=online,lan
export HALVORA_UI_ANSWERS=demo/loyalty.answers HALVORA_UI_LOG="$work/boxes.jsonl"
"$bin/halvora" run demo/loyalty.vbs </dev/null
echo
echo "$(wc -l <"$work/boxes.jsonl") boxes shown; the simulator stops now."
