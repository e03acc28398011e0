#!/usr/bin/env bash
# The MSI under Wine, in a fresh prefix, as IT rolls it out: a silent install
# puts every file where it belongs and registers the automation server (its
# LocalServer32 quoted); a client in another process creates the object by
# its ProgID and COM starts the installed Quarvel.exe (a path with a space);
# a later version installs over it and replaces it; a silent removal leaves
# no file and no key of ours. Runs inside a display (xvfb-run): the server
# shows its window.
# Usage: msi_test.sh BUILD/quarvel-VERSION-x64.msi   (BUILD/msi-stage beside it)
set -euo pipefail
msi=$(realpath "$1")
build=$(dirname "$msi")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

clsid='{ACD3F820-48F2-4783-8C94-C50C9B06FFE9}'
programs="$WINEPREFIX/drive_c/Program Files/Quarvel"
jvm_folder="$WINEPREFIX/drive_c/windows/Sun/Java/bin"
classes_value() { wine reg query "HKCR\\$1" /ve 2>/dev/null | sed -n 's/.*REG_SZ *//p' | tr -d '\r'; }
installed_versions() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/DisplayName +REG_SZ +Quarvel$/ {q = 1} /^HKEY/ {q = 0} q && /DisplayVersion/ {print $3}' | sort
}
msiexec() { wine msiexec "$1" "$(winepath -w "$2")" /qn; }

wine cmd /c exit >/dev/null 2>&1
msiexec /i "$msi" || fail "silent install"
for f in Quarvel.exe quarvel-cli.exe portlink.jar README.txt LICENSE.txt; do
  [ -f "$programs/$f" ] || fail "no $f under Program Files\\Quarvel"
done
for f in PortLinkTcp.dll PortLinkUsb.dll PortLinkLpt.dll; do
  [ -f "$jvm_folder/$f" ] || fail "no $f in the JVM's default folder"
done
find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name Quarvel.lnk | grep -q . || fail "no Start-menu shortcut"
[ "$(classes_value 'Quarvel.Application\CLSID')" = "$clsid" ] || fail "ProgID not registered"
server=$(classes_value "CLSID\\$clsid\\LocalServer32")
[ "$server" = '"C:\Program Files\Quarvel\Quarvel.exe"' ] || fail "LocalServer32 is $server"

# A client creates the object by its ProgID; the server COM starts is the installed one.
echo 'var q = new ActiveXObject("Quarvel.Application"); WScript.Echo("created"); WScript.Sleep(4000);' >"$work/client.js"
wine cscript //nologo "$(winepath -w "$work/client.js")" >"$work/client.log" 2>&1 &
client=$!
started=""
for _ in $(seq 60); do
  started=$(ps -eo args | grep -F 'C:\Program Files\Quarvel\Quarvel.exe' | grep -v grep || true)
  [ -z "$started" ] || break
  sleep 0.25
done
wait "$client" || true
grep -q created "$work/client.log" || fail "the client could not create Quarvel.Application: $(cat "$work/client.log")"
[ -n "$started" ] || fail "COM did not start the installed Quarvel.exe"

# A later version replaces this one.
IFS=. read -r major minor patch < <(sed -E 's/.*quarvel-([0-9.]+)-x64\.msi/\1/' <<<"$msi")
later="$major.$minor.$((patch + 1))"
(cd "$build/msi-stage" && wixl -a x64 -D Version="$later" -D StageDir=. -o "$work/later.msi" \
  "$root/cmake/package/quarvel.wxs") 2>/dev/null || fail "could not build version $later"
msiexec /i "$work/later.msi" || fail "silent install of $later over $major.$minor.$patch"
[ "$(installed_versions)" = "$later" ] || fail "installed after the upgrade: $(installed_versions | tr '\n' ' ')"

msiexec /x "$work/later.msi" || fail "silent removal"
[ ! -e "$programs" ] || fail "left behind: $(ls "$programs")"
[ ! -e "$WINEPREFIX/drive_c/windows/Sun" ] || fail "left behind: $(find "$WINEPREFIX/drive_c/windows/Sun")"
! find "$WINEPREFIX/drive_c" -name Quarvel.lnk | grep -q . || fail "the shortcut is left behind"
for key in 'HKCR\Quarvel.Application' "HKCR\\CLSID\\$clsid" 'HKLM\Software\Quarvel'; do
  ! wine reg query "$key" >/dev/null 2>&1 || fail "key left behind: $key"
done
[ -z "$(installed_versions)" ] || fail "still listed as installed"
echo "msi: installed, created by ProgID from Program Files, upgraded to $later, removed without a trace"
