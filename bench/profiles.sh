#!/usr/bin/env bash
# Today's video profiles (the 通用格式 category) on the 30 s 720p clip against
# the ffmpeg tool with the same settings: median wall time and peak memory of
# each, and beside them the output size and its SSIM to the source, so that the
# smaller files can be seen to look alike.
#
#   bench/profiles.sh [BUILD_DIR] [RUNS]     (defaults: build, 1)
set -euo pipefail
default_runs=1
source "$(dirname "$0")/common.sh"
src="$media/clip720.mp4"

# The SSIM of a file to the source, "All" of the filter's summary.
ssim() {
  ffmpeg -nostdin -i "$1" -i "$src" -lavfi "[0:v][1:v]ssim" -f null - 2>&1 | sed -n 's/.*All:\([0-9.]*\).*/\1/p'
}

# profile_job DESCRIPTION EXTENSION FFMPEG_SETTINGS...
profile_job() {
  local description=$1 extension=$2; shift 2
  local name="${description}" mine="$work/mine$extension" theirs="$work/theirs$extension"
  job "$name" "$(ff "$src" "$theirs" "$@")" "$(tv "$src" "$mine" --profile "$description")"
  printf '%-28s ffmpeg %9d bytes SSIM %s   tesvanor %9d bytes SSIM %s\n' "" \
    "$(stat -c %s "$theirs")" "$(ssim "$theirs")" "$(stat -c %s "$mine")" "$(ssim "$mine")"
}

aac=(-c:a aac -b:a 160k -ac 2)
opus=(-c:a libopus -b:a 128k -ar 48000)
x264=(-c:v libx264 -crf 23 -preset medium)
x265=(-c:v libx265 -crf 28 -preset medium -x265-params log-level=error)
av1=(-c:v libsvtav1 -crf 35 -preset 8)
gif="split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=bayer:bayer_scale=5:diff_mode=rectangle"

echo "threads: $threads, runs per job: $runs"
profile_job "通用MP4 H.264(原始尺寸)" .mp4 "${x264[@]}" "${aac[@]}" -movflags +faststart
profile_job "通用MP4 H.264 1080p" .mp4 "${x264[@]}" -level 41 "${aac[@]}" -movflags +faststart
profile_job "通用MP4 H.264 720p" .mp4 "${x264[@]}" -level 31 -c:a aac -b:a 128k -ac 2 -movflags +faststart
profile_job "高效率视频H.265(*.mp4)" .mp4 "${x265[@]}" -tag:v hvc1 "${aac[@]}" -movflags +faststart
profile_job "高效率视频H.265(*.mkv)" .mkv "${x265[@]}" -c:a aac -b:a 160k
profile_job "AV1视频(*.webm)" .webm "${av1[@]}" "${opus[@]}"
profile_job "AV1视频(*.mkv)" .mkv "${av1[@]}" "${opus[@]}"
profile_job "网页视频VP9(*.webm)" .webm -c:v libvpx-vp9 -crf 31 -b:v 0 -row-mt 1 -deadline good -cpu-used 4 "${opus[@]}"
job "动画GIF(*.gif)" "$(ff "$src" "$work/theirs.gif" -r 12 -vf "scale=640:360,$gif" -loop 0)" \
  "$(tv "$src" "$work/mine.gif" --profile "动画GIF(*.gif)")"
printf '%-28s ffmpeg %9d bytes   tesvanor %9d bytes\n' "" "$(stat -c %s "$work/theirs.gif")" "$(stat -c %s "$work/mine.gif")"
