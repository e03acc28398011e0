#!/usr/bin/env bash
# The .deb as a technician gets it: unpacked into a scratch root, its file
# list is the expected one, lintian finds no error, the JDK searches the
# folder the libraries go to, and the demo client prints on the simulated
# printer through the unpacked quarvel-cli, simulator, jar and PortLinkTcp.
# Usage: deb_test.sh PACKAGE.deb
source "$(dirname "$0")/../../scripts/lib/common.sh"
deb=$1
work=$(mktemp -d)
trap 'stop_simulator; rm -rf "$work"' EXIT
root=$work/root
jni=usr/lib/x86_64-linux-gnu/jni
fail() { echo "FAIL: $*" >&2; exit 1; }

dpkg-deb -x "$deb" "$root"
expected="usr/bin/escpos-simulator
usr/bin/quarvel
usr/bin/quarvel-cli
$jni/libPortLinkLpt.so
$jni/libPortLinkTcp.so
$jni/libPortLinkUsb.so
usr/share/applications/quarvel.desktop
usr/share/doc/quarvel/changelog.gz
usr/share/doc/quarvel/copyright
usr/share/icons/hicolor/32x32/apps/quarvel.png
usr/share/java/portlink-1.77.0.jar
usr/share/man/man1/escpos-simulator.1.gz
usr/share/man/man1/quarvel-cli.1.gz
usr/share/man/man1/quarvel.1.gz"
[ "$(readlink "$root/usr/share/java/portlink.jar")" = portlink-1.77.0.jar ] || fail "no link portlink.jar"
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "file list: $(diff <(echo "$expected") <(echo "$actual"))"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "no dependencies computed"

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" 2>/dev/null | grep '^E:' && fail "lintian errors"
fi

# Debian's JDK loads from that folder with no -Djava.library.path.
java -XshowSettings:properties -version 2>&1 | grep -A8 'java.library.path' | grep -q "/$jni" ||
  fail "the JDK does not search /$jni"

SIMULATOR="$root/usr/bin/escpos-simulator" start_simulator "$work" --drawer-close-ms 300
[ -n "${SIM_PORT:-}" ] || fail "the unpacked simulator did not start: $(cat "$work/simulator.log")"
"$root/usr/bin/quarvel-cli" write "$work/jpos.xml" --printer-port TCP/IP --printer-ip 127.0.0.1 \
  --printer-tcp-port "$SIM_PORT" --drawer-port TCP/IP --drawer-ip 127.0.0.1 --drawer-tcp-port "$SIM_PORT" >/dev/null
jar=$root/usr/share/java/portlink-1.77.0.jar
javac -d "$work/classes" -cp "$jar" "$ROOT/java/demo/PosDemo.java"
java -Djava.library.path="$root/$jni" -cp "$jar:$work/classes" PosDemo "$work/jpos.xml" "$SIM_CONTROL" \
  >"$work/demo.log" 2>&1 || fail "demo client: $(tail -n 20 "$work/demo.log")"
echo "deb: $(echo "$expected" | wc -l) files, lintian clean, demo client ran: $(tail -n 1 "$work/demo.log")"
