#!/usr/bin/env bash
# Runs one script under Wine's cscript with the calling convention of `halvora run`, so that
# tests/scripts/run.sh drives the Windows build unchanged:
#   cscript.sh SCRIPT.vbs [ARG...]
# Wine 8's cscript reads every script in the ANSI code page (1252 in the prefix's default English
# locale), byte-order mark or not: a UTF-16 copy reaches the parser as bytes, fails to parse and
# exits 0 without a word. So the script gets a Windows-1252 copy with CR LF line ends, and a
# script with a character outside that code page is refused here rather than garbled there.
# cscript writes to a pipe in the OEM code page (437), which is turned back into UTF-8. The box
# log and answers files are handed over as Windows paths. WINEPREFIX, WINEDEBUG and
# WINEDLLOVERRIDES come from the environment.
set -uo pipefail

if [ $# -lt 1 ]; then
  echo "usage: cscript.sh SCRIPT.vbs [ARG...]" >&2
  exit 2
fi
script=$1
shift

# Wine maps drive Z: to the Unix root.
windows_path() {
  local path
  path=$(realpath -m -- "$1")
  printf 'Z:%s' "${path//\//\\}"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
copy="$tmp/$(basename -- "$script")"
if ! sed 's/^\xef\xbb\xbf//; s/\r$//; s/$/\r/' -- "$script" | iconv -f UTF-8 -t CP1252 >"$copy"; then
  echo "cscript.sh: $script is not UTF-8 text within Windows-1252" >&2
  exit 2
fi

for name in HALVORA_UI_LOG HALVORA_UI_ANSWERS; do
  if [ -n "${!name:-}" ]; then
    export "$name=$(windows_path "${!name}")"
  fi
done

timeout 60 wine cscript //nologo "$(windows_path "$copy")" "$@" </dev/null | iconv -f CP437 -t UTF-8 |
  tr -d '\r'
exit "${PIPESTATUS[0]}"
