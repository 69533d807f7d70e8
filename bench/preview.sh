#!/usr/bin/env bash
# How fast the preview shows the picture at a new position of a 10-minute
# 1080p H.264 file (made here with the ffmpeg tool on first use):
#  1. in process, as the new-conversion dialog asks for it: preview-bench shows
#     POSITIONS random positions and a forward drag, and prints the medians;
#  2. the same job as whole programs, alternating: tesvanor-cli snapshot
#     against the ffmpeg tool writing the picture at the same time to a PNG,
#     median wall times and their ratio.
#
#   bench/preview.sh [BUILD_DIR] [POSITIONS] [RUNS]     (defaults: build, 60, 9)
#
# Media is generated into BUILD_DIR/bench-media (about 2 minutes of encoding
# per minute of video on two cores).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
positions=${2:-60}
runs=${3:-9}
cli="$build/src/cli/tesvanor-cli"
bench="$build/bench/preview-bench"
media="$build/bench-media"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for tool in "$cli" "$bench"; do
  [[ -x "$tool" ]] || { echo "build first: $tool is missing" >&2; exit 1; }
done
mkdir -p "$media"

# A typical camera or download file: x264's default group of pictures (250
# frames), B-frames, AAC audio beside the picture.
src="$media/movie1080.mp4"
if [[ ! -f "$src" ]]; then
  echo "making $src ..."
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=600 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=600 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2 "$src.part.mp4"
  mv "$src.part.mp4" "$src"
fi

echo "== in process ($positions positions each)"
"$bench" "$src" "$positions"

echo "== whole programs, picture at a time to PNG ($runs runs each, alternating)"
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }; e=$(date +%s.%N)
  awk -v a="$s" -v b="$e" 'BEGIN{print b-a}'; }
for ((i = 0; i < runs; i++)); do
  t=$(awk -v i="$i" -v r="$runs" 'BEGIN{srand(7+i); printf "%.3f", 5 + rand()*590}')
  seconds ffmpeg -nostdin -v error -y -ss "$t" -i "$src" -frames:v 1 "$work/ffmpeg.png" >>"$work/ffmpeg"
  seconds "$cli" snapshot "$src" "$t" "$work/tesvanor.png" >>"$work/tesvanor"
done
ft=$(median <"$work/ffmpeg"); tt=$(median <"$work/tesvanor")
printf 'ffmpeg %.3fs   tesvanor-cli snapshot %.3fs   time ratio %.3f\n' "$ft" "$tt" \
  "$(awk -v a="$tt" -v b="$ft" 'BEGIN{print a/b}')"
