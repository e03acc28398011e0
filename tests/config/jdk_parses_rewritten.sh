#!/usr/bin/env bash
# Every file of the given folders, read and saved back by `quarvel-cli edit`,
# is XML that the JDK's parser accepts: kept entries included, whatever the
# input held. Usage: jdk_parses_rewritten.sh CLI JAVA FOLDER...
set -euo pipefail
cli=$1 java=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=0
for folder in "$@"; do
  for file in "$folder"/*; do
    [ -f "$file" ] || continue
    n=$((n + 1))
    cp "$file" "$work/$n.xml"
    "$cli" edit "$work/$n.xml" >/dev/null 2>&1 || { echo "edit failed: $file"; exit 1; }
  done
done
"$java" "$(dirname "$0")/XmlParses.java" "$work"
