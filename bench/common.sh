# Shared by the benchmark scripts: arguments, the work folder, the generated
# media and the timing of one job with both tools. Sourced, not run.
#   $1 BUILD_DIR (default build), $2 RUNS (default given by the script as default_runs)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
runs=${2:-${default_runs:-5}}
cli="$build/src/cli/tesvanor-cli"
media="$build/bench-media"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
threads=$(nproc)
mkdir -p "$media"
[[ -x "$cli" ]] || { echo "build tesvanor-cli first ($cli)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "GNU time is needed: apt-get install time" >&2; exit 1; }

make_media() {
  local out=$1; shift
  [[ -f "$out" ]] || ffmpeg -nostdin -v error -y "$@" "$out"
}
make_media "$media/clip720.mp4" -f lavfi -i testsrc2=size=1280x720:rate=25:duration=30 \
  -f lavfi -i sine=frequency=440:sample_rate=48000:duration=30 -c:v libx264 -preset fast -b:v 4M -c:a aac -ac 2

q() { printf '%q ' "$@"; }
# The command line of one job for each tool: SOURCE TARGET SETTINGS...
ff() { q ffmpeg -nostdin -v error -y -threads "$threads" -i "$1" -threads "$threads" "${@:3}" "$2"; }
tv() { q "$cli" convert "$1" "$2" --quiet --threads "$threads" "${@:3}"; }

# measure NAME COMMAND...: appends "seconds kilobytes" to $work/NAME
measure() {
  local name=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
  cat "$work/time" >>"$work/$name"
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
column_median() { awk -v c="$2" '{print $c}' "$work/$1" | median; }

# job NAME FFMPEG_COMMAND TESVANOR_COMMAND [RUNS]
job() {
  local name=$1 ffcmd=$2 tvcmd=$3 count=${4:-$runs}
  for ((i = 0; i < count; i++)); do
    measure "$name.ffmpeg" bash -c "$ffcmd"
    measure "$name.tesvanor" bash -c "$tvcmd"
  done
  local ft tt fm tm
  ft=$(column_median "$name.ffmpeg" 1); tt=$(column_median "$name.tesvanor" 1)
  fm=$(column_median "$name.ffmpeg" 2); tm=$(column_median "$name.tesvanor" 2)
  printf '%-28s ffmpeg %7.2fs %7dKB   tesvanor %7.2fs %7dKB   time ratio %.3f   memory ratio %.3f\n' \
    "$name" "$ft" "$fm" "$tt" "$tm" "$(awk -v a="$tt" -v b="$ft" 'BEGIN{print a/b}')" "$(awk -v a="$tm" -v b="$fm" 'BEGIN{print a/b}')"
}

