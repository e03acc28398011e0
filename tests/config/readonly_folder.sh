#!/usr/bin/env bash
# A writable jpos.xml in a folder that takes no new file (no temporary file
# beside it) is still saved: quarvel-cli edit writes it in place. Root ignores
# folder permissions, so as root the edit runs as user nobody.
set -euo pipefail
dir=$(mktemp -d)
bin=$(mktemp -d)  # a copy of the program that user nobody can reach, wherever the build is
trap 'chmod 755 "$dir"; rm -rf "$dir" "$bin"' EXIT
chmod 755 "$dir" "$bin"
cp "$1" "$bin/quarvel-cli"
cli=$bin/quarvel-cli
"$cli" write "$dir/jpos.xml" --printer Before >/dev/null
chmod 666 "$dir/jpos.xml"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod 555 "$dir"
fi
"${as_user[@]}" "$cli" edit "$dir/jpos.xml" --printer After >/dev/null
grep -q 'logicalName="After"' "$dir/jpos.xml" || { echo "FAILED: not saved"; exit 1; }
[ "$(ls -A "$dir")" = "jpos.xml" ] || { echo "FAILED: left $(ls -A "$dir")"; exit 1; }
echo "saved in place"
