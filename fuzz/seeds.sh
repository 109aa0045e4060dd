#!/usr/bin/env bash
# Writes the fuzz seeds that are too big to keep in the repository into DIR/<target>/.
# usage: seeds.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir/xml" "$dir/data" "$dir/gateway" "$dir/script"

# $1 repeated $2 times, without separators.
repeat() { awk -v s="$1" -v n="$2" 'BEGIN { for (i = 0; i < n; i++) printf "%s", s }'; }

# A reply nested 150,000 elements deep: every walk of the XML module must hold without recursion.
{ repeat '<a>' 150000; printf 'deep'; repeat '</a>' 150000; } >"$dir/xml/deep-150000.xml"

# The same depth with text at every level, which the text of the outermost element gathers.
{ repeat '<a>x' 150000; repeat '</a>' 150000; } >"$dir/xml/deep-text-150000.xml"

# A one-megabyte reply: a result text of a million characters in a SOAP envelope.
{
  printf '<?xml version="1.0" encoding="utf-8"?>'
  printf '<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>'
  printf '<PedirSaldoResponse xmlns="http://tempuri.org/"><PedirSaldoResult>'
  repeat 0123456789 100000
  printf '</PedirSaldoResult></PedirSaldoResponse></soap:Body></soap:Envelope>'
} >"$dir/xml/huge-result.xml"

# A guest list of 40,000 entries, past the hosts' 16-bit piece counter (class byte 0: the
# in-house guests; separator byte 0: "|").
{ printf '\0\0'; repeat '101*' 40000; } >"$dir/data/many-entries"

# A gateway that answers 80 KiB at once: five reads, and a log that outgrows its box.
{ printf '%s\0' 305 P1 24; repeat 'OK-ABD, OK-ART, OK-PRT, OK-UBD, OK-TICKET,' 2000; } \
  >"$dir/gateway/huge-reply"

# Scripts nested far past the parser's depth limit, which must stay a compilation error rather
# than exhaust the stack: parentheses, blocks, and a chain of member calls.
{ printf 'x = '; repeat '(' 10000; printf '1'; repeat ')' 10000; } >"$dir/script/deep-parentheses.vbs"
repeat 'If True Then\n' 5000 >"$dir/script/deep-blocks.vbs"
{ printf 'x = a'; repeat '.b(1)' 5000; } >"$dir/script/long-chain.vbs"
# A script whose tokens outgrow the memory the fuzz target allows: a compilation error.
repeat 'x = 1 : ' 50000 >"$dir/script/huge.vbs"
