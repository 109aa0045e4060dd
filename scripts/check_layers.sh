#!/usr/bin/env bash
# Holds the includes of src/ and components/ to the layers of docs/design.md: a file includes
# from its own folder and from the folders its layer may use, and only the runtime's standard
# headers outside the OS-specific folders. Prints every include that breaks the order and exits 1
# when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# The folders each folder may include from, besides itself.
declare -A may_use=(
  [src/automation]=""
  [src/platform]="automation"
  [src/web]="automation platform"
  [src/services]="automation platform web"
  [src/internet]="automation platform web"
  [src/data]="automation platform web"
  [src/invoicing]="automation platform web"
  [src/controls]="automation platform web"
  [src/library]="automation platform web services internet data invoicing controls sdk einvoice"
  [components/sdk]="automation platform"
  [components/einvoice]="automation platform"
)

failures=0
report() {
  echo "$1: $2" >&2
  failures=$((failures + 1))
}

while IFS= read -r file; do
  dir=$(dirname "$file")
  owner=$(echo "$dir" | cut -d/ -f1-2)  # src/web, components/sdk
  own=${owner#*/}                        # web, sdk
  if [[ ! -v may_use[$owner] ]]; then
    report "$file" "in a folder that has no place among the layers ($owner)"
    continue
  fi
  # OS headers belong to the platform layer and to a component's posix/ and win32/ halves.
  os_specific=0
  [[ $owner == src/platform || $dir == */posix || $dir == */win32 ]] && os_specific=1

  while IFS= read -r line; do
    number=${line%%:*}
    text=${line#*:}
    if [[ $text =~ \#include\ *\"([^\"]+)\" ]]; then
      path=${BASH_REMATCH[1]}
      if [[ $path != */* ]]; then
        # A bare name is only ever the file's own neighbour.
        [ -f "$dir/$path" ] || report "$file:$number" "\"$path\" is not in $dir"
        continue
      fi
      first=${path%%/*}
      [[ $first == "$own" ]] && continue
      if [[ " ${may_use[$owner]} " != *" $first "* ]]; then
        report "$file:$number" "$owner may not include \"$path\""
      fi
    elif [[ $text =~ \#include\ *\<([^\>]+)\> ]]; then
      header=${BASH_REMATCH[1]}
      if [[ $os_specific -eq 0 && ($header == *.h || $header == */*) ]]; then
        report "$file:$number" "<$header> is not a standard header; it belongs to the platform layer"
      fi
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(git ls-files --cached --others --exclude-standard 'src/*.h' 'src/*.cpp' \
  'components/*.h' 'components/*.cpp')

if [ "$failures" -gt 0 ]; then
  echo "check_layers: $failures include(s) break the layer order (docs/design.md)" >&2
  exit 1
fi
