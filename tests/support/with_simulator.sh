#!/usr/bin/env bash
# Runs a command beside a fresh simulated printer:
#   with_simulator.sh [simulator options...] -- command [args...]
# The command finds the printer's port in QUARVEL_SIM_PORT and the control
# port in QUARVEL_SIM_CONTROL (with --pty: its pseudo-terminal in
# QUARVEL_SIM_PTY; with --usb-testbed: the mocked devices' root in
# UMOCKDEV_DIR). The simulator is stopped afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
options=()
while (($#)) && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d)
# Debian's own Python: its gi bindings serve the mocked USB devices.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
# The mocked USB devices are built inside umockdev's preload, as its library expects.
under=()
for option in "${options[@]}"; do [ "$option" != "--usb-testbed" ] || under=("$here/under_umockdev.sh"); done
"${under[@]}" "$python" "$here/../../tools/escpos_simulator.py" --ports-file "$work/ports" "${options[@]}" 2>"$work/log" &
simulator=$!
cleanup() {
  kill "$simulator" 2>/dev/null || true  # it ends cleanly, its testbed removed
  wait "$simulator" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.05; done
read -r QUARVEL_SIM_PORT QUARVEL_SIM_CONTROL QUARVEL_SIM_PTY testbed <"$work/ports" || { cat "$work/log"; exit 1; }
[ "$QUARVEL_SIM_PTY" != "-" ] || QUARVEL_SIM_PTY=""
export QUARVEL_SIM_PORT QUARVEL_SIM_CONTROL QUARVEL_SIM_PTY
[ "$testbed" = "-" ] || export UMOCKDEV_DIR=$testbed
"$@"
