#!/usr/bin/env bash
# Two programs edit one jpos.xml at once, round after round, each changing its
# own device, while a third reads it: every round keeps both updates, and no
# read sees a file half saved.
# Usage: concurrent_edits.sh ROUNDS QUARVEL-CLI...   (the program, perhaps behind an emulator)
set -euo pipefail
rounds=$1
shift
cli=("$@")
dir=$(mktemp -d)
trap 'touch "$dir/stop"; wait; rm -rf "$dir"' EXIT
cd "$dir"  # a name relative to it, which a Windows program under Wine takes as well
file=jpos.xml
"${cli[@]}" write "$file" --printer P0 --drawer D0 >/dev/null
(
  while [ ! -e stop ]; do
    "${cli[@]}" show "$file" >show.out 2>&1 || true
    grep -q 'drawerPresent=1' show.out || { echo "a read saw: $(head -c 300 show.out)" >>bad; }
  done
) &
lost=0
for i in $(seq 1 "$rounds"); do
  "${cli[@]}" edit "$file" --printer "P$i" >/dev/null 2>&1 &
  first=$!
  "${cli[@]}" edit "$file" --drawer "D$i" >/dev/null 2>&1 &
  second=$!
  wait "$first" "$second" || true
  shown=$("${cli[@]}" show "$file" | tr -d '\r')
  grep -q "^printer.logicalName=P$i\$" <<<"$shown" && grep -q "^drawer.logicalName=D$i\$" <<<"$shown" ||
    lost=$((lost + 1))
done
touch stop
wait
[ "$lost" -eq 0 ] || { echo "FAILED: $lost of $rounds rounds lost an update"; exit 1; }
[ ! -e bad ] || { echo "FAILED: $(head -n 3 bad)"; exit 1; }
echo "$rounds rounds of two concurrent edits: no update lost, no read saw a half-saved file"
