# Shared by the scripts: the project root, package set-up and the build steps.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${QUARVEL_BUILD_DIR:-$ROOT/build}
JOBS=$(nproc 2>/dev/null || echo 2)

log() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages the project needs that the machine lacks.
ensure_packages() {
  local wanted=(cmake g++ make clang libclang-rt-14-dev libgtest-dev googletest libbenchmark-dev
                openjdk-17-jdk-headless python3 g++-mingw-w64-x86-64 wine wine64 xvfb xauth)
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$JOBS" 2>&1 | grep -E 'error|warning|Error' || true
  cmake --build "$dir" -j "$JOBS" >/dev/null
}

# Wine for the Windows build: a prefix of the build's own, started outside any
# pipe so its background processes hold none open.
start_wine() {
  export WINEPREFIX=$BUILD/wineprefix WINEDEBUG=-all
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 || true
  # Without a window manager, closing a window would take two seconds.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
