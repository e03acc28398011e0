#!/usr/bin/env bash
# The three .deb packages as a technician gets them, each unpacked into a
# root of its own: their file lists and dependencies are the expected ones
# (no Qt and no Python for the libraries), lintian reports no error, warning
# or hardening tag, the JDK searches the folder the libraries go to, and the
# demo client prints on the unpacked simulator through the libraries package
# alone, with a jpos.xml written by the unpacked quarvel-cli.
# Usage: deb_test.sh PACKAGE.deb...   (libportlink-java, quarvel, escpos-simulator)
source "$(dirname "$0")/../../scripts/lib/common.sh"
work=$(mktemp -d)
trap 'stop_simulator; rm -rf "$work"' EXIT
jni=usr/lib/x86_64-linux-gnu/jni
fail() { echo "FAIL: $*" >&2; exit 1; }

declare -A expected=(
  [libportlink-java]="$jni/libPortLinkLpt.so
$jni/libPortLinkTcp.so
$jni/libPortLinkUsb.so
usr/share/doc/libportlink-java/changelog.gz
usr/share/doc/libportlink-java/copyright
usr/share/java/portlink-1.77.0.jar
usr/share/java/portlink.jar
usr/share/lintian/overrides/libportlink-java"
  [quarvel]="usr/bin/quarvel
usr/bin/quarvel-cli
usr/share/applications/quarvel.desktop
usr/share/doc/quarvel/changelog.gz
usr/share/doc/quarvel/copyright
usr/share/icons/hicolor/256x256/apps/quarvel.png
usr/share/icons/hicolor/48x48/apps/quarvel.png
usr/share/icons/hicolor/scalable/apps/quarvel.svg
usr/share/lintian/overrides/quarvel
usr/share/man/man1/quarvel-cli.1.gz
usr/share/man/man1/quarvel.1.gz"
  [escpos-simulator]="usr/bin/escpos-simulator
usr/share/doc/escpos-simulator/changelog.gz
usr/share/doc/escpos-simulator/copyright
usr/share/man/man1/escpos-simulator.1.gz")

declare -A root
for deb in "$@"; do
  name=$(dpkg-deb -f "$deb" Package)
  [ -n "${expected[$name]:-}" ] || fail "unexpected package $name"
  root[$name]=$work/$name
  dpkg-deb -x "$deb" "${root[$name]}"
  actual=$(cd "${root[$name]}" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
  [ "$actual" = "${expected[$name]}" ] || fail "$name file list: $(diff <(echo "${expected[$name]}") <(echo "$actual"))"
done
((${#root[@]} == 3)) || fail "packages given: ${!root[*]}"
[ "$(readlink "${root[libportlink-java]}/usr/share/java/portlink.jar")" = portlink-1.77.0.jar ] ||
  fail "no link portlink.jar"

depends() { dpkg-deb -f "$(printf '%s\n' "$@" | grep "/$1_")" Depends; }
libraries=$(depends libportlink-java "$@")
grep -q libudev1 <<<"$libraries" || fail "libraries: no dependencies computed ($libraries)"
grep -Eq 'qt|python' <<<"$libraries" && fail "libraries package depends on $libraries"
grep -q libqt6widgets6 <<<"$(depends quarvel "$@")" || fail "programs: no Qt dependency"
[ "$(depends escpos-simulator "$@")" = python3 ] || fail "simulator dependencies"

if command -v lintian >/dev/null; then
  report=$(lintian -I "$@" 2>/dev/null || true)
  grep -E '^[EW]:|hardening' <<<"$report" && fail "lintian: $(grep -cE '^[EW]:|hardening' <<<"$report") tags"
fi

# Debian's JDK loads from that folder with no -Djava.library.path.
java -XshowSettings:properties -version 2>&1 | grep -A8 'java.library.path' | grep -q "/$jni" ||
  fail "the JDK does not search /$jni"

# The programs: no display needed for the version; a configuration copied with one pipe.
bin=${root[quarvel]}/usr/bin
env -u DISPLAY -u WAYLAND_DISPLAY "$bin/quarvel" --version | grep -qx 'quarvel 1.77.0' || fail "quarvel --version"

simulator=${root[escpos-simulator]}/usr/bin/escpos-simulator
SIMULATOR=$simulator start_simulator "$work" --drawer-close-ms 300
[ -n "${SIM_PORT:-}" ] || fail "the unpacked simulator did not start: $(cat "$work/simulator.log")"
busy=$("$simulator" --port "$SIM_PORT" 2>&1 >/dev/null) && fail "a second simulator on port $SIM_PORT started"
[ "$(wc -l <<<"$busy")" = 1 ] && grep -q ":$SIM_PORT " <<<"$busy" || fail "port in use: $busy"
"$bin/quarvel-cli" write "$work/first.xml" --printer-port TCP/IP --printer-ip 127.0.0.1 \
  --printer-tcp-port "$SIM_PORT" --drawer-port TCP/IP --drawer-ip 127.0.0.1 --drawer-tcp-port "$SIM_PORT" >/dev/null
"$bin/quarvel-cli" show --as-options "$work/first.xml" | xargs "$bin/quarvel-cli" write "$work/jpos.xml" >/dev/null
cmp -s "$work/first.xml" "$work/jpos.xml" || fail "show --as-options did not copy the configuration"

# The Java client against the libraries package alone.
lib=${root[libportlink-java]}
jar=$lib/usr/share/java/portlink.jar
javac -d "$work/classes" -cp "$jar" "$ROOT/java/demo/PosDemo.java"
java -Djava.library.path="$lib/$jni" -cp "$jar:$work/classes" PosDemo "$work/jpos.xml" "$SIM_CONTROL" \
  >"$work/demo.log" 2>&1 || fail "demo client: $(tail -n 20 "$work/demo.log")"
echo "deb: 3 packages, lintian clean, demo client ran on the libraries package: $(tail -n 1 "$work/demo.log")"
