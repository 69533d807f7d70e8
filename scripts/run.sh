#!/usr/bin/env bash
# Sets up what the machine lacks, builds Tesvanor and starts the program.
# Arguments go to the program. Without a desktop session (neither DISPLAY nor
# WAYLAND_DISPLAY set) the program runs on a virtual X display (xvfb-run),
# where nobody sees it: start it from a desktop session to use it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup-deps.sh"
"$top/scripts/build.sh" "$top/build"
program="$top/build/src/app/tesvanor"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running Tesvanor on a virtual display." >&2
  echo "Start it from a desktop session to see its window." >&2
  exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
