#!/usr/bin/env bash
# Runs a command under umockdev's preload, so that its accesses to /sys and
# /dev go to the testbed it (or its caller, through UMOCKDEV_DIR) creates.
# A sanitizer runtime must stay first in the preload list.
set -euo pipefail
preload=$(ls /usr/lib/*/libumockdev-preload.so.0 2>/dev/null | head -n 1)
export LD_PRELOAD="${LD_PRELOAD:+$LD_PRELOAD:}$preload"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
exec "$@"
