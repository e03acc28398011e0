# Shared by the scripts: the project root, package set-up and the build steps.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${QUARVEL_BUILD_DIR:-$ROOT/build}
JOBS=$(nproc 2>/dev/null || echo 2)

log() { printf '\n== %s\n' "$*"; }

NATIVE_PACKAGES=(cmake g++ make pkg-config libgtest-dev googletest libbenchmark-dev openjdk-17-jdk-headless python3
  libudev-dev umockdev python3-gi gir1.2-umockdev-1.0 qt6-base-dev fonts-liberation)
ALL_PACKAGES=("${NATIVE_PACKAGES[@]}" clang libclang-rt-14-dev g++-mingw-w64-x86-64 wine wine64 xvfb xauth
  dpkg-dev lintian wixl)

# Installs the Debian packages that the machine lacks: the given ones, or all
# that the project needs.
ensure_packages() {
  local wanted=("$@")
  ((${#wanted[@]})) || wanted=("${ALL_PACKAGES[@]}")
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

# configure_and_build DIR [cmake options...]; BUILD_TARGETS limits what is built.
configure_and_build() {
  local dir=$1
  shift
  mkdir -p "$(dirname "$dir")"
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
  local targets=()
  for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
  if ! cmake --build "$dir" -j "$JOBS" "${targets[@]}" >"$dir.build.log" 2>&1; then
    grep -E -A3 'error|Error' "$dir.build.log" | head -n 60
    return 1
  fi
}

# Wine for the Windows build: a prefix of the build's own, started outside any
# pipe so its background processes hold none open.
start_wine() {
  export WINEPREFIX=$BUILD/wineprefix WINEDEBUG=-all
  wineserver -p >/dev/null 2>&1 || true
  # A new prefix would offer to install Mono and Gecko in a dialog; nothing here needs them.
  WINEDLLOVERRIDES="mscoree,mshtml=" wine cmd /c exit >/dev/null 2>&1 || true
  # LPT1 is the simulated printer's pseudo-terminal, through a link that the
  # parallel port tests renew. Wine maps its ports when it starts, so the
  # mapping is also made at once.
  wine reg add 'HKLM\Software\Wine\Ports' /v LPT1 /d "$BUILD/win/lpt/ttyLPT1" /f >/dev/null 2>&1 || true
  ln -sfn "$BUILD/win/lpt/ttyLPT1" "$WINEPREFIX/dosdevices/lpt1"
  # Without a window manager, closing a window would take two seconds.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }

# start_simulator DIR [options...]: starts the simulated printer in the
# background; sets SIM_PID, SIM_PORT and SIM_CONTROL.
start_simulator() {
  local dir=$1
  shift
  rm -f "$dir/ports"
  # SIMULATOR names an installed simulator to run instead of the source's.
  ${SIMULATOR:-python3 "$ROOT/tools/escpos_simulator.py"} --ports-file "$dir/ports" "$@" 2>"$dir/simulator.log" &
  SIM_PID=$!
  for _ in $(seq 100); do [ -s "$dir/ports" ] && break; sleep 0.05; done
  read -r SIM_PORT SIM_CONTROL SIM_PTY _ <"$dir/ports"
}
stop_simulator() { kill "${SIM_PID:-}" 2>/dev/null || true; wait "${SIM_PID:-}" 2>/dev/null || true; }
