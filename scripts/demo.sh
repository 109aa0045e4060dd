#!/usr/bin/env bash
# The main job: the simulated services on free loopback ports, the loyalty workflow and the
# wallet and channel-manager workflow against them with the clerk's answers scripted and every
# box shown in the transcript, then the simulator stopped. Every HALVORA_*= line the simulator
# prints is exported; the channel manager's URL is also the second script's argument, since hosts
# pass it on every call, and the gateway's address the third's, since hosts set it as properties.
# The hotel data comes from a fresh demo database made with halvora-sdk; its folder is the fourth
# script's argument, since hosts pass it on every connection. HALVORA_DEMO_DATABASE=postgresql://…
# puts it on a PostgreSQL server instead: that database (made when the server lacks it) is the
# demo's own, its hotel data replaced by the demo's on every run.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${HALVORA_BIN:-build/bin}
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT

"$bin/halvora-sim" >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do grep -q '^HALVORA_CHANNEL_URL=' "$work/sim.out" && break; sleep 0.1; done
while IFS= read -r line; do export "$line"; done < <(grep '^HALVORA_[A-Z_]*=' "$work/sim.out")
echo "Loyalty service on $HALVORA_LOYALTY_HOST, wallet service on $HALVORA_WALLET_HOST,"
echo "channel manager at $HALVORA_CHANNEL_URL, internet gateway on $HALVORA_GATEWAY_HOST"
hotel=${HALVORA_DEMO_DATABASE:-$work/hotel}
if [ -z "${HALVORA_DEMO_DATABASE:-}" ]; then
  mkdir "$hotel"
else
  # The location may carry the server's password: only its host and database are shown.
  echo "Hotel database on PostgreSQL: $(sed -E 's#//[^@/]*@#//#' <<<"$hotel")"
fi
"$bin/halvora-sdk" init "$hotel" >/dev/null
printf 'secreto\n' | "$bin/halvora-sdk" user "$hotel" CAJERO >/dev/null
"$bin/halvora-sdk" demo --force "$hotel" >/dev/null
echo

export HALVORA_UI=script HALVORA_UI_TRANSCRIPT=1 HALVORA_NETSTATE=online,lan
export HALVORA_UI_ANSWERS=demo/loyalty.answers HALVORA_UI_LOG="$work/boxes.jsonl"
"$bin/halvora" run demo/loyalty.vbs </dev/null
echo
"$bin/halvora" run demo/wallet_channel.vbs "$HALVORA_CHANNEL_URL" </dev/null
echo
"$bin/halvora" run demo/internet.vbs "$HALVORA_GATEWAY_HOST" </dev/null
echo
"$bin/halvora" run demo/data.vbs "$hotel" </dev/null
echo
echo "$(wc -l <"$work/boxes.jsonl") boxes shown; the simulator stops now."
