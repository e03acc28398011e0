#!/usr/bin/env bash
# Runs a command beside a fresh simulated printer:
#   with_simulator.sh [simulator options...] -- command [args...]
# The command finds the printer's port in QUARVEL_SIM_PORT and the control
# port in QUARVEL_SIM_CONTROL (with --pty: its pseudo-terminal in
# QUARVEL_SIM_PTY). The simulator is stopped afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
options=()
while (($#)) && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d)
python3 "$here/../../tools/escpos_simulator.py" --ports-file "$work/ports" "${options[@]}" 2>"$work/log" &
simulator=$!
cleanup() { kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.05; done
read -r QUARVEL_SIM_PORT QUARVEL_SIM_CONTROL QUARVEL_SIM_PTY <"$work/ports" || { cat "$work/log"; exit 1; }
export QUARVEL_SIM_PORT QUARVEL_SIM_CONTROL QUARVEL_SIM_PTY
"$@"
