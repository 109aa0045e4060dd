#!/usr/bin/env bash
# The Windows build under Wine, as `make test-win` runs it:
#   1. a fresh Wine prefix of its own (WIN_DIR/wineprefix);
#   2. regsvr32 HALVORA.dll (the database SDK's server, LobixSdkCore.dll, stays unregistered for
#      now: the library then uses the substitute bundled in it) and HalvoraFacturacion.dll, the
#      e-invoicing component, which the e-invoicing scripts create by its identifiers;
#   3. com_client.exe check: creation, vtable, IDispatch, errors, the registered type library
#      against com/gen/expected_typelib.txt, typed results against a fresh hotel database, the
#      registry and DllCanUnloadNow;
#   4. com_client.exe internet: DatosInternet, against the gateway of the service simulator,
#      lets the gateway's reply arrive and none of the client's own window and thread messages run;
#   5. every tests/scripts/*.vbs through tests/scripts/run.sh with Wine's cscript as the host, so
#      that the boxes are compared with the same .expected files as under the native host;
#      tests/wine/components_registered_missing.vbs: HALVORA_COMPONENTS=registered with no SDK
#      registered is 429; and com_client.exe outside with the bundled substitute;
#   6. regsvr32 LobixSdkCore.dll, the SDK as a separately registered component; then, with
#      HALVORA_COMPONENTS=registered, com_client.exe outside (the client's own collection and
#      record in the library's properties, and the SDK's errors) and every tests/scripts/data_*.vbs
#      again, against the same .expected box logs; then regsvr32 /u LobixSdkCore.dll;
#   7. com_client.exe bench (printed only);
#   8. regsvr32 /u of both, then com_client.exe unregistered;
#   9. button_compare.exe: the button control drawn by GDI against the raster surface, its child
#      window and its persistence through IPropertyBag, on a virtual X display.
# Prints "wine: N passed, M failed" and exits non-zero when M > 0.
#
# usage: run.sh BUILD_DIR WIN_DIR
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: run.sh BUILD_DIR WIN_DIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m -- "$1")
win=$(realpath -m -- "$2")
bin="$win/bin"
dll="$bin/HALVORA.dll"
sdk_dll="$bin/LobixSdkCore.dll"
einvoice_dll="$bin/HalvoraFacturacion.dll"
client="$bin/com_client.exe"
listing="$win/com/gen/expected_typelib.txt"
sim="$build/bin/halvora-sim"

export WINEPREFIX="$win/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

passed=0 failed=0
pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }

summary() {
  echo "wine: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

for f in "$dll" "$sdk_dll" "$einvoice_dll" "$client" "$listing" "$sim" \
  "$build/bin/halvora-einvoice"; do
  if [ ! -f "$f" ]; then
    fail "missing $f (run make build-win)"
    summary
    exit 1
  fi
done

windows_path() {
  local path
  path=$(realpath -m -- "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# Only this prefix's server: other Wine sessions on the machine keep running.
stop_wine() { timeout 30 wineserver -k >/dev/null 2>&1; }
work=$(mktemp -d)
sim_pid=
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; stop_wine; rm -rf "$work"' EXIT

echo "wine: preparing $WINEPREFIX"
rm -rf "$WINEPREFIX"
if ! timeout 120 wine wineboot -i </dev/null >"$work/wineboot.log" 2>&1; then
  cat "$work/wineboot.log"
  fail "wineboot -i"
  summary
  exit 1
fi
# One server for the whole run instead of one start per program (about 0.3 s per script).
timeout 10 wineserver -p </dev/null >/dev/null 2>&1

if timeout 60 wine regsvr32 /s "$(windows_path "$dll")" </dev/null >"$work/reg.log" 2>&1; then
  pass "regsvr32 HALVORA.dll"
else
  code=$?
  cat "$work/reg.log"
  fail "regsvr32 HALVORA.dll (exit code $code): nothing else can run"
  summary
  exit 1
fi

# The e-invoicing component registered apart from the library, as the maker's would be.
if timeout 60 wine regsvr32 /s "$(windows_path "$einvoice_dll")" </dev/null >"$work/reg-einvoice.log" 2>&1; then
  pass "regsvr32 HalvoraFacturacion.dll"
else
  code=$?
  cat "$work/reg-einvoice.log"
  fail "regsvr32 HalvoraFacturacion.dll (exit code $code): the e-invoicing scripts cannot run"
fi

# A client run passes when it exits 0 and its last line says "0 failure(s)"; a crash or a hang
# leaves no such line.
client_step() {
  local name=$1
  shift
  local out="$work/client.out" code last
  timeout 60 wine "$client" "$@" </dev/null 2>"$work/client.err" | tr -d '\r' >"$out"
  code=${PIPESTATUS[0]}
  cat "$out"
  last=$(tail -n 1 "$out")
  if [ "$code" -eq 0 ] && [ "$last" = "0 failure(s)" ]; then
    pass "$name"
  else
    grep -v -e wine32 -e nodrv_CreateWindow -e explorer -e tray "$work/client.err" | head -n 20
    fail "$name: exit code $code, last line '$last'"
  fi
}

# The probes answer from HALVORA_NETSTATE; the unattended UI keeps boxes off the screen. The data
# classes' list members read a fresh hotel database, made as tests/scripts/run.sh makes one.
mkdir "$work/hotel"
{ "$build/bin/halvora-sdk" init "$work/hotel" &&
    printf 'secreto\n' | "$build/bin/halvora-sdk" user "$work/hotel" CAJERO; } >"$work/sdk.out" 2>&1 ||
  { cat "$work/sdk.out"; fail "halvora-sdk could not make the client's hotel database"; }
HALVORA_NETSTATE=online,lan HALVORA_UI=script HALVORA_UI_LOG="$(windows_path "$work/boxes.jsonl")" \
  client_step "com_client check" check "$(windows_path "$listing")" "$(windows_path "$work/hotel")"

# The simulator prints the channel line last, once every service listens.
"$sim" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  grep -q '^HALVORA_CHANNEL_URL=' "$work/sim.out" && break
  sleep 0.1
done
gateway=$(sed -n 's/^HALVORA_GATEWAY_HOST=//p' "$work/sim.out")
if [ -n "$gateway" ]; then
  HALVORA_UI=script HALVORA_UI_LOG="$(windows_path "$work/internet_boxes.jsonl")" \
    client_step "com_client internet" internet "$gateway"
else
  cat "$work/sim.out"
  fail "com_client internet: the simulator did not start"
fi
kill "$sim_pid" 2>/dev/null
wait "$sim_pid" 2>/dev/null
sim_pid=

# The hotel database is reached through the SQLite ODBC driver (under Wine: unixODBC and the
# host's driver). It is registered here as its Windows installer registers it, "SQLite3 ODBC
# Driver", and not under unixODBC's own "SQLite3": the data scripts then show that the DLL finds
# the driver by the name a Windows machine has. The second file, which a script picks with
# ODBCINSTINI, breaks that name and offers the driver as "HALVORA Prueba" only: reachable just by
# naming it in HALVORA_SDK_ODBC_DRIVER.
export ODBCSYSINI="$work/odbc"
mkdir -p "$ODBCSYSINI"
printf '[SQLite3 ODBC Driver]\nDriver=libsqlite3odbc.so\n' >"$ODBCSYSINI/odbcinst.ini"
printf '[SQLite3 ODBC Driver]\nDriver=libhalvora-no-such-driver.so\n\n[HALVORA Prueba]\nDriver=libsqlite3odbc.so\n' \
  >"$ODBCSYSINI/odbcinst-configured.ini"

# A script under cscript through the conformance runner; $2 names the run in the report.
script_step() {
  local script=$1 label=$2 name=${1#"$root/"}
  if bash "$root/tests/scripts/run.sh" "$script" "$sim" "$root/tests/wine/cscript.sh" \
    >"$work/script.out" 2>&1; then
    pass "$name $label"
  else
    cat "$work/script.out"
    fail "$name $label"
  fi
}

for script in "$root"/tests/scripts/*.vbs "$root"/tests/wine/components_registered_missing.vbs; do
  script_step "$script" "under cscript"
done

mkdir "$work/hotel-demo"
{ "$build/bin/halvora-sdk" init "$work/hotel-demo" &&
    printf 'secreto\n' | "$build/bin/halvora-sdk" user "$work/hotel-demo" CAJERO &&
    "$build/bin/halvora-sdk" demo "$work/hotel-demo"; } >"$work/sdk-demo.out" 2>&1 ||
  { cat "$work/sdk-demo.out"; fail "halvora-sdk could not make the demo hotel database"; }
# The client's own objects with the substitute bundled in the library (no SDK is registered yet).
HALVORA_UI=script HALVORA_UI_LOG="$(windows_path "$work/outside_boxes.jsonl")" \
  client_step "com_client outside, bundled SDK" outside "$(windows_path "$work/hotel-demo")"

# The database SDK registered apart from the library, as on a hotel's machine, and the library made
# to use it: every SDK object then comes from LobixSdkCore.dll, and a failure to create one is 429
# rather than the bundled substitute.
if timeout 60 wine regsvr32 /s "$(windows_path "$sdk_dll")" </dev/null >"$work/reg-sdk.log" 2>&1; then
  pass "regsvr32 LobixSdkCore.dll"
  HALVORA_COMPONENTS=registered HALVORA_UI=script \
    HALVORA_UI_LOG="$(windows_path "$work/outside_boxes.jsonl")" \
    client_step "com_client outside, registered LobixSdkCore" outside \
    "$(windows_path "$work/hotel-demo")"
  for script in "$root"/tests/scripts/data_*.vbs; do
    HALVORA_COMPONENTS=registered script_step "$script" "under cscript, registered LobixSdkCore"
  done
  if timeout 60 wine regsvr32 /u /s "$(windows_path "$sdk_dll")" </dev/null \
    >"$work/unreg-sdk.log" 2>&1; then
    pass "regsvr32 /u LobixSdkCore.dll"
  else
    cat "$work/unreg-sdk.log"
    fail "regsvr32 /u LobixSdkCore.dll"
  fi
else
  code=$?
  cat "$work/reg-sdk.log"
  fail "regsvr32 LobixSdkCore.dll (exit code $code): the registered SDK runs were skipped"
fi

timeout 60 wine "$client" bench </dev/null 2>/dev/null | tr -d '\r' | grep -v '^0 failure(s)$'

if timeout 60 wine regsvr32 /u /s "$(windows_path "$einvoice_dll")" </dev/null \
  >"$work/unreg-einvoice.log" 2>&1; then
  pass "regsvr32 /u HalvoraFacturacion.dll"
else
  cat "$work/unreg-einvoice.log"
  fail "regsvr32 /u HalvoraFacturacion.dll"
fi
if timeout 60 wine regsvr32 /u /s "$(windows_path "$dll")" </dev/null >"$work/unreg.log" 2>&1; then
  pass "regsvr32 /u HALVORA.dll"
else
  code=$?
  cat "$work/unreg.log"
  fail "regsvr32 /u HALVORA.dll (exit code $code)"
fi
client_step "com_client unregistered" unregistered

# The button control: GDI into DIB sections against the raster surface, the real child window and
# persistence through IPropertyBag. The raster side reads the same font files as natively. Child
# windows need a display, which Wine's null driver does not give: the step runs last, on a
# virtual X display, with a Wine server of its own started under it.
compare="$bin/button_compare.exe"
if [ -f "$compare" ]; then
  stop_wine
  timeout 300 xvfb-run -a wine "$compare" "$(windows_path /usr/share/fonts/truetype/dejavu)" \
    </dev/null 2>"$work/compare.err" | tr -d '\r' >"$work/compare.out"
  code=${PIPESTATUS[0]}
  stop_wine
  last=$(tail -n 1 "$work/compare.out")
  grep -v '^  ' "$work/compare.out" | tail -n 2 | head -n 1
  if [ "$code" -eq 0 ] && [ "$last" = "0 failure(s)" ]; then
    pass "button_compare"
  else
    head -n 60 "$work/compare.out"
    grep -v -e wine32 -e nodrv_CreateWindow -e explorer -e tray "$work/compare.err" | head -n 20
    fail "button_compare: exit code $code, last line '$last'"
  fi
else
  fail "missing $compare (run make build-win)"
fi

summary
