#!/usr/bin/env bash
# Runs the same conversion jobs with the ffmpeg tool and with tesvanor-cli,
# alternating, with identical codec settings and thread counts, and prints per
# job the median wall time of each, their ratio, and the peak memory ratio.
#
#   bench/engine.sh [BUILD_DIR] [RUNS]     (defaults: build, 5)
#
# Needs GNU time (/usr/bin/time). Media is generated into BUILD_DIR/bench-media.
set -euo pipefail
source "$(dirname "$0")/common.sh"
make_media "$media/long.mkv" -f lavfi -i testsrc2=size=1280x720:rate=25:duration=120 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=120 -c:v libx264 -preset ultrafast -c:a aac -ac 2

# Settings of the H.264 profile's basic preset, as each tool spells them.
x264_ffmpeg=(-c:v libx264 -b:v 1500k -coder ac -cmp chroma -partitions i8x8,i4x4,p8x8,b8x8 -motion-est hex
  -subq 7 -me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6
  -qmin 10 -qmax 51 -qdiff 4 -bf 3 -refs 3 -direct-pred spatial -trellis 1 -mixed-refs 1 -weightb 1
  -8x8dct 1 -fast-pskip 1 -mbtree 1 -weightp 2 -c:a aac -b:a 128k)
x264_cli=(--set VideoOptions.EncoderVideoCodecName=libx264 --set VideoOptions.Bitrate=1500000
  --set AudioOptions.EncoderAudioCodecName=aac --set AudioOptions.Bitrate=128000)
for o in coder=1 flags=+loop cmp=+chroma partitions=+parti8x8+parti4x4+partp8x8+partb8x8 me_method=hex subq=7 \
  me_range=16 g=250 keyint_min=25 sc_threshold=40 i_qfactor=0.71 b_strategy=1 qcomp=0.6 qmin=10 qmax=51 \
  qdiff=4 bf=3 refs=3 directpred=1 trellis=1 flags2=+mixed_refs+wpred+dct8x8+fastpskip+mbtree wpredp=2; do
  x264_cli+=(--codec-option "$o")
done
avi_ffmpeg=(-c:v mpeg4 -b:v 2000k -c:a libmp3lame -b:a 192k)
avi_cli=(--set VideoOptions.EncoderVideoCodecName=mpeg4 --set VideoOptions.Bitrate=2000000
  --set AudioOptions.EncoderAudioCodecName=libmp3lame --set AudioOptions.Bitrate=192000)

src="$media/clip720.mp4"

echo "threads: $threads, runs per job: $runs"
job "a) mp4 libx264+aac" "$(ff "$src" "$work/a1.mp4" "${x264_ffmpeg[@]}")" "$(tv "$src" "$work/a2.mp4" "${x264_cli[@]}")"
job "b) avi mpeg4+libmp3lame" "$(ff "$src" "$work/b1.avi" "${avi_ffmpeg[@]}")" "$(tv "$src" "$work/b2.avi" "${avi_cli[@]}")"
job "c) mp3 only" "$(ff "$src" "$work/c1.mp3" -vn -c:a libmp3lame -b:a 192k)" \
  "$(tv "$src" "$work/c2.mp3" --set AudioOptions.Bitrate=192000)"
job "d) copy mkv to mp4" "$(ff "$media/long.mkv" "$work/d1.mp4" -c copy)" \
  "$(tv "$media/long.mkv" "$work/d2.mp4" --set VideoOptions.VideoStreamCopy=1 --set AudioOptions.AudioStreamCopy=1)" \
  $((runs * 5))  # a quarter of a second: start-up noise needs more runs

# f) a profile whose encoder runs on one thread, against the ffmpeg tool as a
# user would type it (its own thread choice), and tesvanor-cli as the program
# runs it (the profile alone; decoding uses the machine's cores).
job "f) wmv profile (one-thread encoder)" \
  "$(q ffmpeg -nostdin -v error -y -i "$src" -c:v wmv2 -b:v 768k -s 320x240 -c:a wmav2 -b:a 128k "$work/f1.wmv")" \
  "$(q "$cli" convert "$src" "$work/f2.wmv" --quiet --profile "Windows视频(*.wmv)")"

# g) the settings of (a) with a logo, a line of text and burnt-in subtitles.
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
make_media "$media/logo.png" -f lavfi -i testsrc=size=160x90 -frames:v 1
[[ -f "$media/subs.srt" ]] || for ((i = 0; i < 15; i++)); do
  printf '%d\n00:00:%02d,000 --> 00:00:%02d,500\nLine %d of the subtitles 第%d行\n\n' $((i + 1)) $((i * 2)) $((i * 2 + 1)) $i $i
done >"$media/subs.srt"
filters_ffmpeg="[0:v][1:v]overlay=x=20:y=20,drawtext=fontfile=$font:text=Tesvanor:x=40:y=600:fontsize=36"
filters_ffmpeg+=":fontcolor=0xFFFFFFFF:boxcolor=0x00000000:expansion=none,subtitles=f=$media/subs.srt"
filters_ffmpeg+=":fontsdir=${font%/*}:force_style='FontName=WenQuanYi Micro Hei,PrimaryColour=&H0000FFFF'"
filters_cli="logo=20|20|$media/logo.png,drawtext=fontfile=\\'$font\\'#text='Tesvanor'#x=40#y=600#fontsize=36"
filters_cli+="#fgcolor=0xFFFFFFFF#bgcolor=0x00000000,ass=filename\$$media/subs.srt#font\$$font#color\$0xFFFF0000"
job "g) x264 with logo+text+subtitles" \
  "$(q ffmpeg -nostdin -v error -y -i "$src" -i "$media/logo.png" -filter_complex "$filters_ffmpeg" \
    "${x264_ffmpeg[@]}" "$work/g1.mp4")" \
  "$(tv "$src" "$work/g2.mp4" "${x264_cli[@]}" --set "FilterOptions.VideoFilters=$filters_cli")"

# e) two conversions of (b) at once against one after the other, both with
# tesvanor-cli and one thread each (the option tree's default), so that the
# machine's cores are free for conversions side by side.
one="$(q "$cli" convert "$src" "$work/e1.avi" --quiet --threads 1 "${avi_cli[@]}")"
two="$(q "$cli" convert "$src" "$work/e2.avi" --quiet --threads 1 "${avi_cli[@]}")"
for ((i = 0; i < runs; i++)); do
  measure e.sequential bash -c "$one; $two"
  measure e.parallel bash -c "$one & $two & wait"
done
st=$(column_median e.sequential 1); pt=$(column_median e.parallel 1)
printf '%-28s sequential %7.2fs   side by side %7.2fs   ratio %.3f\n' "e) two (b) at once" "$st" "$pt" \
  "$(awk -v a="$pt" -v b="$st" 'BEGIN{print a/b}')"
