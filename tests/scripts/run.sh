#!/usr/bin/env bash
# Runs one conformance script under a script host with the simulated services on loopback and the
# unattended UI, then checks what a host would see:
#   - the exit code is 0 and the last line printed is "0 failure(s)";
#   - the boxes shown, logged as JSON lines, equal NAME.expected beside the script.
# Input-box answers come from NAME.answers when it exists. Lines "'@env NAME=VALUE" at the top of
# a script set variables for that run (after the simulator's, so a script can point elsewhere).
# Every HALVORA_*= line the simulator prints is exported; the channel manager's URL, which hosts
# pass as an argument rather than configure, also reaches the script as WScript.Arguments(0),
# the one channel every host offers a script, and the gateway's address, which hosts set as the
# Host and Port properties, as WScript.Arguments(1). A fresh hotel database (the SDK's demo data,
# user CAJERO with password secreto), made with halvora-sdk from the simulator's directory, is the
# data classes' location, which hosts pass on every connection: WScript.Arguments(2), a folder that
# holds hotel.db. WScript.Arguments(3) is a folder whose hotel.db is text, no database at all, and
# whose subfolder carpeta holds a folder named hotel.db: two databases that cannot be read, for the
# scripts that show how a host meets one. A script with a line "'@einvoice" also gets a fresh
# halvora-einvoice (user cajero, password secreto) on a free loopback port, its address in
# HALVORA_EINVOICE_URL; with a line "'@smtp" as well, an SMTP server (Python's aiosmtpd, which keeps
# nothing) is its relay, so that its mail is accepted rather than left in the outbox. The folder of
# a shown document is the machine's temporary folder, which differs between hosts: the box log is
# compared with its file name only. With HALVORA_SCRIPT_DATABASE=postgres the hotel database is
# instead a fresh database of its own on the PostgreSQL server that HALVORA_PG_SERVER (or the
# file HALVORA_PG_SERVER_FILE) names, made the same way and dropped at the end; Arguments(2) is
# then its postgresql:// location.
#
# usage: run.sh SCRIPT.vbs SIM HOST [HOST ARGS...]
#   e.g. run.sh tests/scripts/loyalty_balance.vbs build/bin/halvora-sim build/bin/halvora run
set -uo pipefail

script=$1 sim=$2
shift 2
base=${script%.vbs}
work=$(mktemp -d)
einvoice_pid= smtp_pid= server= database=
drop_database() {
  [ -n "$database" ] &&
    psql -X -q "$server/postgres" -c "DROP DATABASE IF EXISTS $database WITH (FORCE)" >/dev/null 2>&1
}
trap 'kill "$sim_pid" $einvoice_pid $smtp_pid 2>/dev/null
  wait "$sim_pid" $einvoice_pid $smtp_pid 2>/dev/null
  drop_database; rm -rf "$work"' EXIT

"$sim" >"$work/sim.out" 2>&1 &
sim_pid=$!
# The simulator prints the channel line last, once every service listens.
for _ in $(seq 50); do
  grep -q '^HALVORA_CHANNEL_URL=' "$work/sim.out" && break
  sleep 0.1
done
grep -q '^HALVORA_CHANNEL_URL=' "$work/sim.out" || {
  echo "FAIL $script: the simulator did not start"; cat "$work/sim.out"; exit 1; }

sdk="$(dirname -- "$sim")/halvora-sdk"
hotel="$work/hotel"
mkdir "$hotel"
if [ "${HALVORA_SCRIPT_DATABASE:-sqlite}" = postgres ]; then
  server=${HALVORA_PG_SERVER:-$(cat "${HALVORA_PG_SERVER_FILE:-/dev/null}" 2>/dev/null)}
  [ -n "$server" ] || { echo "FAIL $script: no PostgreSQL server (HALVORA_PG_SERVER)"; exit 1; }
  database="halvora_s$$_$RANDOM"
  hotel="$server/$database"
fi
{ "$sdk" init "$hotel" && printf 'secreto\n' | "$sdk" user "$hotel" CAJERO &&
    "$sdk" demo "$hotel"; } >"$work/sdk.out" 2>&1 || {
  echo "FAIL $script: halvora-sdk could not make the database"; cat "$work/sdk.out"; exit 1; }
mkdir -p "$work/damaged/carpeta/hotel.db"
for i in $(seq 200); do echo "no es una base de datos $i"; done >"$work/damaged/hotel.db"

if grep -q "^'@einvoice" "$script"; then
  einvoice="$(dirname -- "$sim")/halvora-einvoice"
  printf 'secreto\n' | "$einvoice" init "$work/facturas" --user cajero >"$work/einvoice.out" 2>&1 || {
    echo "FAIL $script: halvora-einvoice could not make its folder"; cat "$work/einvoice.out"; exit 1; }
  if grep -q "^'@smtp" "$script"; then
    smtp_port=$(/usr/bin/python3 -c \
      'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    /usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$smtp_port" -c aiosmtpd.handlers.Sink \
      >"$work/smtp.out" 2>&1 &
    smtp_pid=$!
    for _ in $(seq 100); do
      (exec 3<>"/dev/tcp/127.0.0.1/$smtp_port") 2>/dev/null && break
      sleep 0.1
    done
    "$einvoice" config "$work/facturas" smtp_url "smtp://127.0.0.1:$smtp_port" >/dev/null
  fi
  "$einvoice" serve "$work/facturas" --listen 127.0.0.1:0 >"$work/einvoice.out" 2>&1 &
  einvoice_pid=$!
  for _ in $(seq 50); do
    grep -q 'listening on' "$work/einvoice.out" && break
    sleep 0.1
  done
  url=$(sed -n 's/^halvora-einvoice: listening on //p' "$work/einvoice.out")
  [ -n "$url" ] || { echo "FAIL $script: halvora-einvoice did not start"; cat "$work/einvoice.out"; exit 1; }
  export HALVORA_EINVOICE_URL="$url"
  # Shown documents go to the machine's temporary folder. TMPDIR is left alone: under Wine it
  # would also move the Wine server's socket, and a second server would start for the prefix
  # without the registrations the first has not yet saved.
fi

export HALVORA_UI=script
export HALVORA_UI_LOG="$work/boxes.jsonl"
export HALVORA_UI_ANSWERS="$base.answers"
export HALVORA_NETSTATE=online,lan
while IFS= read -r line; do
  export "$line"
done < <(grep '^HALVORA_[A-Z_]*=' "$work/sim.out")
while IFS= read -r line; do
  export "${line#\'@env }"
done < <(grep "^'@env " "$script")
: >"$HALVORA_UI_LOG"

timeout 120 "$@" "$script" "$HALVORA_CHANNEL_URL" "$HALVORA_GATEWAY_HOST" "$hotel" \
  "$work/damaged" </dev/null >"$work/stdout" 2>"$work/stderr"
code=$?
cat "$work/stdout"
last=$(tail -n 1 "$work/stdout" | tr -d '\r')
status=0
if [ "$code" -ne 0 ] || [ "$last" != "0 failure(s)" ]; then
  echo "FAIL $script: exit code $code, last line '$last'"
  cat "$work/stderr"
  status=1
fi
sed -E -i 's/("path":")[^"]*[\\/]/\1/' "$HALVORA_UI_LOG"
if ! diff -u "$base.expected" "$HALVORA_UI_LOG"; then
  echo "FAIL $script: the boxes differ from $base.expected (above: - expected, + shown)"
  status=1
fi
[ "$status" -eq 0 ] && echo "PASS $script"
exit "$status"
