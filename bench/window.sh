#!/usr/bin/env bash
# How the main window keeps up, measured by window-bench in the real program
# start-up (temporary data folder):
#  1. main-thread event latency: the lateness of a 10 ms timer while four
#     conversions of a generated clip run side by side, each repainting its
#     row of the task list (goal: 95th percentile under 50 ms);
#  2. opening a category that holds 10 000 finished tasks (goal: under 1 s);
#  3. a batch of COUNT two-minute files added at once in the wizard with
#     "同时转换任务数" = 2: the wizard lists them in under a second (their
#     lengths are probed in the background), the timer lateness stays under
#     50 ms at the 95th percentile while the queue runs, and the whole batch
#     takes no longer than COUNT one-at-a-time tesvanor-cli conversions run
#     two at once (same profile, same thread count).
#
#   bench/window.sh [BUILD_DIR] [SECONDS] [COUNT]     (defaults: build, 20, 40)
#
# Without a display the window is drawn offscreen.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
seconds=${2:-20}
count=${3:-40}
bench="$build/bench/window-bench"
cli="$build/src/cli/tesvanor-cli"
profile='音视频交错格式(*.avi)'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
media="$build/bench-media"
[[ -x "$bench" && -x "$cli" ]] || { echo "build first: $bench or $cli is missing" >&2; exit 1; }
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

echo
echo "batch of $count two-minute files, profile $profile, 2 at once:"
"$bench" --batch "$src" "$count" "$profile" 2 | tee "$work/batch"
window_seconds=$(awk '/^BATCH_SECONDS/ {print $2}' "$work/batch")
mkdir -p "$work/cli"
begin=$(date +%s.%N)
seq -w 1 "$count" | xargs -P 2 -I{} "$cli" convert "$src" "$work/cli/clip{}.avi" --profile "$profile" \
  --threads 0 --quiet
end=$(date +%s.%N)
cli_seconds=$(awk -v a="$end" -v b="$begin" 'BEGIN {print a - b}')
printf '%d one-at-a-time tesvanor-cli conversions, 2 at once: %.1f s\n' "$count" "$cli_seconds"
printf 'batch in the window / command-line runs: %.3f (goal: at most 1)\n' \
  "$(awk -v a="$window_seconds" -v b="$cli_seconds" 'BEGIN {print a / b}')"
