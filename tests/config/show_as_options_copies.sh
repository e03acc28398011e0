#!/usr/bin/env bash
# A configuration copies to another till with one pipe: for each file,
# `show --as-options` piped through xargs to `write` gives the file again,
# byte for byte (quotes, ampersands and accents in names included).
# Usage: show_as_options_copies.sh CLI FILE...
set -euo pipefail
cli=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$@"; do
  "$cli" show --as-options "$file" | xargs "$cli" write "$work/copy.xml" >/dev/null
  cmp -s "$file" "$work/copy.xml" || { echo "not copied: $file"; diff "$file" "$work/copy.xml"; exit 1; }
done
echo "copied $# files"
