#!/usr/bin/env bash
# quarvel-cli check's time to its verdict: a ready printer (the simulated one),
# an address where nothing listens (refused at once), and one that never
# answers (TEST-NET-1: the connect's own time-out). Run beside the simulator.
#   check_bench.sh QUARVEL-CLI
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
verdict_time() {  # FILE: the seconds from start to exit, best of three
  local best=""
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$cli" check "$1" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    best=$(python3 -c "a=$end-$start; b='$best'; print(f'{min(a, float(b)) if b else a:.2f}')")
  done
  echo "$best"
}
config() {  # FILE ADDRESS PORT
  "$cli" write "$1" --printer-port TCP/IP --printer-ip "$2" --printer-tcp-port "$3" >/dev/null
}
config "$work/ready.xml" 127.0.0.1 "$QUARVEL_SIM_PORT"
config "$work/refused.xml" 127.0.0.1 1
config "$work/silent.xml" 192.0.2.1 9100
echo "check, ready printer:        $(verdict_time "$work/ready.xml") s (target <= 2 s)"
echo "check, nothing listening:    $(verdict_time "$work/refused.xml") s (target <= 2 s)"
echo "check, address never answers: $(verdict_time "$work/silent.xml") s (target <= 2 s)"
