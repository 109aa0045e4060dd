#!/usr/bin/env bash
# Runs the corpus cases marked "@wine" (tests/language/*.corpus, format in
# tests/unit/language_corpus_test.cpp) under Wine's cscript through tests/wine/cscript.sh and
# compares what each prints with the case's "--- out" section. An uncaught error's report is not
# compared: Wine's cscript prints none. The cases left unmarked hold behaviour in which Wine's
# VBScript differs from the platform's documented one (see docs/scripts.md).
# WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES come from the environment, as for cscript.sh.
# Prints "PASS/FAIL language NAME" per case and "language: N passed, M failed"; exits 1 on a
# failure.
#
# usage: wine.sh [CASE-NAME-PATTERN]
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
pattern=${1:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One NAME.vbs and NAME.out per marked case.
for corpus in "$here"/*.corpus; do
  awk -v dir="$work" -v stem="$(basename "$corpus" .corpus)" '
    /^=== / {
      part = ""
      if ($0 ~ / @wine( |$)/) { name = stem "_" $2; part = "script"; printf "" > (dir "/" name ".vbs"); printf "" > (dir "/" name ".out") }
      next
    }
    part == "" { next }
    $0 == "--- out" { part = "out"; next }
    $0 == "--- err" { part = "err"; next }
    part == "script" { print > (dir "/" name ".vbs") }
    part == "out" { print > (dir "/" name ".out") }
  ' "$corpus"
done

passed=0 failed=0
for script in "$work"/*.vbs; do
  name=$(basename "$script" .vbs)
  [[ -n $pattern && $name != *$pattern* ]] && continue
  bash "$here/../wine/cscript.sh" "$script" >"$work/$name.got" 2>/dev/null
  if diff -u "$work/$name.out" "$work/$name.got" >"$work/$name.diff"; then
    passed=$((passed + 1))
    echo "PASS language $name"
  else
    failed=$((failed + 1))
    echo "FAIL language $name (- expected, + Wine's cscript)"
    head -n 40 "$work/$name.diff"
  fi
done
echo "language: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
