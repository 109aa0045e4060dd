#!/usr/bin/env bash
# The main job: the simulated services on free loopback ports, the loyalty workflow and the
# wallet and channel-manager workflow against them with the clerk's answers scripted and every
# box shown in the transcript, then the simulator stopped. Every HALVORA_*= line the simulator
# prints is exported; the channel manager's URL is also the second script's argument, since hosts
# pass it on every call, and the gateway's address the third's, since hosts set it as properties.
# The hotel data comes from a fresh demo database made with halvora-sdk; its folder is the fourth
# script's argument, since hosts pass it on every connection. HALVORA_DEMO_DATABASE=postgresql://…
# puts it on a PostgreSQL server instead: that database (made when the server lacks it) is the
# demo's own, its hotel data replaced by the demo's on every run. The check-out runs against the
# e-invoicing server, halvora-einvoice, on a free loopback port with an SMTP sink as its relay; its
# folder (BUILD_DIR/demo-einvoice, made afresh each time) stays after the demo, so that the
# stamped XML, the PDFs and the e-mail it names can be opened.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${HALVORA_BIN:-build/bin}
work=$(mktemp -d)
sim= einvoice= smtp=
stop_all() {
  for pid in $sim $einvoice $smtp; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_all EXIT

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
echo

# The check-out: the e-invoicing server and its relay.
facturas=$(cd "$bin/.." && pwd)/demo-einvoice
rm -rf "$facturas"
smtp_port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$smtp_port" -c aiosmtpd.handlers.Sink \
  >"$work/smtp.out" 2>&1 &
smtp=$!
printf 'secreto\n' | "$bin/halvora-einvoice" init "$facturas" --user cajero \
  --name "HOTEL HALVORA CANCUN" >/dev/null
"$bin/halvora-einvoice" config "$facturas" smtp_url "smtp://127.0.0.1:$smtp_port" >/dev/null
"$bin/halvora-einvoice" config "$facturas" mail_from "facturas@hotel.example" >/dev/null
"$bin/halvora-einvoice" serve "$facturas" --listen 127.0.0.1:0 >"$work/einvoice.out" 2>&1 &
einvoice=$!
for _ in $(seq 100); do grep -q '^halvora-einvoice: listening' "$work/einvoice.out" && break; sleep 0.1; done
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$smtp_port") 2>/dev/null && break; sleep 0.1; done
export HALVORA_EINVOICE_URL=$(sed -n 's/^halvora-einvoice: listening on //p' "$work/einvoice.out")
echo "E-invoicing server at $HALVORA_EINVOICE_URL, its folder $facturas"
HALVORA_UI_ANSWERS=demo/checkout.answers "$bin/halvora" run demo/checkout.vbs "$hotel" </dev/null
echo
echo "The check-out's files, kept in $facturas until the next demo:"
while IFS= read -r line; do
  case $line in
    *.xml) echo "  stamped invoice (CFDI 4.0):  $line" ;;
    *.pdf) echo "  printed invoice:             $line" ;;
  esac
done < <("$bin/halvora-einvoice" show "$facturas" '1|1|1' | sed -n 's/^file *//p')
for report in "$facturas"/reports/*.pdf; do
  case $report in
    */estado-*) echo "  account statement:           $report" ;;
    */registro-*) echo "  registration card:           $report" ;;
    *) echo "  report:                      $report" ;;
  esac
done
for message in "$facturas"/outbox/*.eml; do echo "  e-mail to the guest:         $message"; done
echo
echo "$(wc -l <"$work/boxes.jsonl") boxes shown; the simulator and the servers stop now."
