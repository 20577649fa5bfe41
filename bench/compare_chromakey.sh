#!/usr/bin/env bash
# Keys one synthetic green-screen photograph through our keying bridge (the key with its matte edge, and again with
# every stage on) and with FFmpeg's chromakey, despill and overlay filters, at the same thread count, and prints
# our times over theirs (below 1: ours is faster) together with each result's PSNR against the true composite.
# Both read the same raw RGB files and write raw RGB, so each side's time includes reading, converting, keying,
# compositing and writing one frame. hyperfine times them (one warm-up run, then five).
#
# Usage: bench/compare_chromakey.sh [build-folder] [width] [height] [thread counts...]
#        defaults: build/release 6000 4000 1 and the number of processors
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
width=${2:-6000}
height=${3:-4000}
shift $(($# < 3 ? $# : 3))
threadCounts=("$@")
if ((${#threadCounts[@]} == 0)); then threadCounts=(1 "$(nproc)"); fi

tool="$build/bench/chromakey_compare"
for needed in "$tool" ffmpeg hyperfine python3; do
  if ! command -v "$needed" >/dev/null; then
    echo "compare_chromakey: $needed is missing (build the chromakey_compare target; tools/install-deps installs the rest)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Generating a ${width}x${height} green-screen frame and its key..."
backing=$("$tool" generate "$work" "$width" "$height")

for threads in "${threadCounts[@]}"; do
  edge="$tool key $work $width $height $threads edge $work/edge.rgb"
  all="$tool key $work $width $height $threads all $work/all.rgb"
  # Similarity 0.1 and blend 0.05 scored best for FFmpeg on this frame (a grid over 0.05..0.16 and 0.02..0.1).
  theirs="ffmpeg -v error -nostdin -threads $threads -filter_threads $threads -filter_complex_threads $threads \
-f rawvideo -pix_fmt rgb24 -s ${width}x${height} -i $work/photo.rgb \
-f rawvideo -pix_fmt rgb24 -s ${width}x${height} -i $work/background.rgb \
-filter_complex [0:v]format=rgba,chromakey=${backing}:0.1:0.05,despill=type=green[k];[1:v][k]overlay \
-frames:v 1 -f rawvideo -pix_fmt rgb24 -y $work/ffmpeg.rgb"
  echo
  echo "== ${threads} thread(s)"
  hyperfine --shell=none --warmup 1 --runs 5 --export-json "$work/times.json" \
    -n edge "$edge" -n all "$all" -n ffmpeg "$theirs"
  edgePsnr=$("$tool" score "$work/edge.rgb" "$work/truth.rgb" "$width" "$height")
  allPsnr=$("$tool" score "$work/all.rgb" "$work/truth.rgb" "$width" "$height")
  theirsPsnr=$("$tool" score "$work/ffmpeg.rgb" "$work/truth.rgb" "$width" "$height")
  python3 - "$work/times.json" "$threads" "$edgePsnr" "$allPsnr" "$theirsPsnr" <<'EOF'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
edge, every, theirs = results["edge"]["mean"], results["all"]["mean"], results["ffmpeg"]["mean"]
print(f"threads {sys.argv[2]}: ours (matte edge) {edge:.3f} s, ours (every stage) {every:.3f} s, "
      f"ffmpeg {theirs:.3f} s; ours/ffmpeg = {edge / theirs:.2f} (matte edge), {every / theirs:.2f} (every stage); "
      f"PSNR against the truth: {sys.argv[3]} / {sys.argv[4]} / {sys.argv[5]} dB")
EOF
done
