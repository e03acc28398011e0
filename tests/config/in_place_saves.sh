#!/usr/bin/env bash
# Saves that can't replace the file write it in place, and never destroy it:
# a folder that takes no new file, the same with the disk full (a file size
# limit stands in for it: the old file stays byte for byte), a file with a
# second name (both names see the save), a sticky folder that refuses to
# replace another user's file, and root saving a user's file (the owner
# stays). Root ignores folder permissions, so the edits run as user nobody.
set -euo pipefail
work=$(mktemp -d)
bin=$(mktemp -d)  # a copy of the program that user nobody can reach, wherever the build is
trap 'chmod -R u+w "$work"; rm -rf "$work" "$bin"' EXIT
chmod 755 "$work" "$bin"
cp "$1" "$bin/quarvel-cli"
cli=$bin/quarvel-cli
fail() { echo "FAILED: $*"; exit 1; }
as_nobody=()
[ "$(id -u)" -ne 0 ] || as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)

# A folder that takes no new file.
dir=$work/readonly && mkdir "$dir" && chmod 755 "$dir"
"$cli" write "$dir/jpos.xml" --printer Before --drawer Drawer >/dev/null
chmod 666 "$dir/jpos.xml"
[ "$(id -u)" -eq 0 ] || chmod 555 "$dir"
"${as_nobody[@]}" "$cli" edit "$dir/jpos.xml" --printer After >/dev/null
grep -q 'logicalName="After"' "$dir/jpos.xml" || fail "not saved in place"
[ "$(ls -A "$dir")" = "jpos.xml" ] || fail "left $(ls -A "$dir")"

# ... with the disk full: the save fails with the reason, the file as it was.
cp "$dir/jpos.xml" "$work/before.xml"
status=0
(trap '' XFSZ; ulimit -f 1; exec "${as_nobody[@]}" "$cli" edit "$dir/jpos.xml" --printer Full) 2>"$work/err" >/dev/null ||
  status=$?
[ "$status" -eq 1 ] || fail "a full disk gave exit status $status"
cmp -s "$dir/jpos.xml" "$work/before.xml" || fail "a full disk changed the file"
grep -q 'left as it was' "$work/err" || fail "no reason: $(cat "$work/err")"

# A second name for the file: a save must not part them.
dir=$work/linked && mkdir "$dir"
"$cli" write "$dir/jpos.xml" --printer Before >/dev/null
ln "$dir/jpos.xml" "$dir/other-name.xml"
"$cli" edit "$dir/jpos.xml" --printer After >/dev/null
grep -q 'logicalName="After"' "$dir/other-name.xml" || fail "the hard link was broken"

if [ "$(id -u)" -eq 0 ]; then
  # A sticky folder (as /tmp): nobody may write root's file but not replace it.
  dir=$work/sticky && mkdir "$dir" && chmod 1777 "$dir"
  "$cli" write "$dir/jpos.xml" --printer Before >/dev/null
  chmod 666 "$dir/jpos.xml"
  "${as_nobody[@]}" "$cli" edit "$dir/jpos.xml" --printer After >/dev/null || fail "not saved in a sticky folder"
  grep -q 'logicalName="After"' "$dir/jpos.xml" || fail "not saved in a sticky folder"

  # Root saving a user's file keeps it the user's.
  dir=$work/owned && mkdir "$dir"
  "$cli" write "$dir/jpos.xml" --printer Before >/dev/null
  chown 65534:65534 "$dir/jpos.xml"
  "$cli" edit "$dir/jpos.xml" --printer After >/dev/null
  [ "$(stat -c %u:%g "$dir/jpos.xml")" = 65534:65534 ] || fail "owner now $(stat -c %u:%g "$dir/jpos.xml")"
fi
echo "saved in place where it must be, nothing lost on a full disk"
