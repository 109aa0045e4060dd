#!/usr/bin/env bash
# The load test of the database substitute on both engines, one after the other: 8 workstation
# processes (halvora-sdk-load) posting charges, taking folios and listing the guests in the house
# for SECONDS (60 by default) against one SQLite file in a temporary folder, then against one
# database on a throwaway PostgreSQL cluster that keeps its data as a hotel's server would (fsync
# on), stopped at the end. Prints each engine's operations per second and the checks that no
# folio was given twice and every answered charge is stored; exits 1 when a check fails.
#
# usage: bench/load.sh [SECONDS] [WORKSTATIONS]     (make load LOAD_SECONDS=10 for a short run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
workstations=${2:-8}
load="${BUILD_DIR:-$root/build}/bin/halvora-sdk-load"
[ -x "$load" ] || { echo "load.sh: no $load (make build)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
"$load" "$work/sqlite" --seconds "$seconds" --workstations "$workstations" || status=1
bash "$root/tests/support/pg_cluster.sh" run --durable -- bash -c \
  '"$0" "$HALVORA_PG_SERVER/halvora_load" --seconds "$1" --workstations "$2"' \
  "$load" "$seconds" "$workstations" || status=1
exit "$status"
