#!/usr/bin/env bash
# Pictures made to look right, at the ffmpeg tool's pace: a 1080i recording
# deinterlaced and an HDR10 clip tone-mapped into the H.264 profile, against
# the ffmpeg tool given the same filters and thread count; then today's video
# profiles with no thread option, against the ffmpeg tool as a user types it.
#
#   bench/quality.sh [BUILD_DIR] [RUNS]     (defaults: build, 3)
set -euo pipefail
default_runs=3
source "$(dirname "$0")/common.sh"

make_media "$media/interlaced1080.ts" -f lavfi -i testsrc2=size=1920x1080:rate=50:duration=10 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -vf "tinterlace=interleave_top,setfield=tff" \
  -c:v libx264 -preset fast -flags +ildct+ilme -x264-params tff=1 -b:v 12M -c:a mp2 -ac 2
make_media "$media/hdr10.mkv" -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 \
  -vf "format=yuv420p,setparams=range=tv:color_primaries=bt709:color_trc=bt709:colorspace=bt709,zscale=t=linear:npl=203,format=gbrpf32le,zscale=p=bt2020,zscale=t=smpte2084:m=bt2020nc:r=limited:npl=203,format=yuv420p10le" \
  -c:v libx265 -preset fast -x265-params "log-level=error:hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50):max-cll=1000,400" \
  -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc -c:a aac

every=(-c:v libx264 -crf 23 -preset medium -c:a aac -b:a 160k -ac 2 -movflags +faststart)
tonemap="setparams=range=tv:color_primaries=bt2020:color_trc=smpte2084:colorspace=bt2020nc,zscale=t=linear:npl=203"
tonemap+=",format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=mobius:param=0.6:desat=0:peak=4.926"
tonemap+=",zscale=t=bt709:m=bt709:r=limited,format=yuv420p"

echo "threads: $threads, runs per job: $runs"
job "h) 1080i deinterlaced" \
  "$(ff "$media/interlaced1080.ts" "$work/h1.mp4" -vf bwdif=mode=send_frame:parity=auto:deint=all "${every[@]}")" \
  "$(tv "$media/interlaced1080.ts" "$work/h2.mp4" --profile "通用MP4 H.264(原始尺寸)")"
job "i) HDR10 tone-mapped" "$(ff "$media/hdr10.mkv" "$work/i1.mp4" -vf "$tonemap" "${every[@]}")" \
  "$(tv "$media/hdr10.mkv" "$work/i2.mp4" --profile "通用MP4 H.264(原始尺寸)")"

# The profiles with no thread option: the ffmpeg tool leaves the encoder its
# own choice, tesvanor-cli the window's (automatic) setting.
src="$media/clip720.mp4"
user() { q ffmpeg -nostdin -v error -y -i "$1" "${@:3}" "$2"; }
plain() { q "$cli" convert "$1" "$2" --quiet --profile "$3"; }
opus=(-c:a libopus -b:a 128k -ar 48000)
job "j) H.264, no thread option" "$(user "$src" "$work/j1.mp4" "${every[@]}")" \
  "$(plain "$src" "$work/j2.mp4" "通用MP4 H.264(原始尺寸)")"
job "j) HEVC, no thread option" \
  "$(user "$src" "$work/k1.mkv" -c:v libx265 -crf 28 -preset medium -x265-params log-level=error -c:a aac -b:a 160k)" \
  "$(plain "$src" "$work/k2.mkv" "高效率视频H.265(*.mkv)")"
job "j) AV1, no thread option" "$(user "$src" "$work/l1.webm" -c:v libsvtav1 -crf 35 -preset 8 "${opus[@]}")" \
  "$(plain "$src" "$work/l2.webm" "AV1视频(*.webm)")"
job "j) VP9, no thread option" \
  "$(user "$src" "$work/m1.webm" -c:v libvpx-vp9 -crf 31 -b:v 0 -row-mt 1 -deadline good -cpu-used 4 "${opus[@]}")" \
  "$(plain "$src" "$work/m2.webm" "网页视频VP9(*.webm)")"
