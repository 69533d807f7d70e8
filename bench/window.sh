#!/usr/bin/env bash
# How the main window keeps up, measured by window-bench in the real program
# start-up (temporary data folder):
#  1. main-thread event latency: the lateness of a 10 ms timer while four
#     conversions of a generated clip run side by side, each repainting its
#     row of the task list (goal: 95th percentile under 50 ms);
#  2. opening a category that holds 10 000 finished tasks (goal: under 1 s).
#
#   bench/window.sh [BUILD_DIR] [SECONDS]     (defaults: build, 20)
#
# Without a display the window is drawn offscreen.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
seconds=${2:-20}
bench="$build/bench/window-bench"
media="$build/bench-media"
[[ -x "$bench" ]] || { echo "build first: $bench is missing" >&2; exit 1; }
mkdir -p "$media"
src="$media/clip480.avi"
if [[ ! -f "$src" ]]; then
  echo "making $src ..."
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=120 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=120 -c:v mpeg4 -q:v 4 -c:a mp2 "$src.part.avi"
  mv "$src.part.avi" "$src"
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then export QT_QPA_PLATFORM=offscreen; fi
"$bench" "$src" "$seconds"
