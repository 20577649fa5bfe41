#!/usr/bin/env bash
# Blurs one 16-bit grey matte with our matte blur and with FFmpeg's gblur at the same thread count and prints our
# time over theirs (below 1: ours is faster). Both read the same raw little-endian 16-bit plane and write one, so
# each side's time includes reading, blurring and writing one frame. hyperfine times them (one warm-up run, then
# five).
#
# The kernels are matched by width: our window's weight falls to 4 % of the centre's at the radius r, where a
# Gaussian's does at about 2.5 sigma, so gblur runs with sigma = r / 2.5 (steps=1: one box pass per sigma step,
# FFmpeg's fastest approximation).
#
# Usage: bench/compare_matte_blur.sh [build-folder] [radius] [width] [height] [thread counts...]
#        defaults: build/release 10 6000 4000 1 8
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
radius=${2:-10}
width=${3:-6000}
height=${4:-4000}
shift $(($# < 4 ? $# : 4))
threadCounts=("$@")
if ((${#threadCounts[@]} == 0)); then threadCounts=(1 8); fi

tool="$build/bench/matte_blur_compare"
for needed in "$tool" ffmpeg hyperfine python3; do
  if ! command -v "$needed" >/dev/null; then
    echo "compare_matte_blur: $needed is missing (build the matte_blur_compare target; tools/install-deps installs the rest)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Generating a ${width}x${height} 16-bit matte..."
"$tool" generate "$work/matte.gray16" "$width" "$height"
sigma=$(python3 -c "print(f'{$radius / 2.5:.3f}')")
pixels=$((width * height))

for threads in "${threadCounts[@]}"; do
  ours="$tool blur $work/matte.gray16 $work/ours.gray16 $width $height $radius $threads"
  theirs="ffmpeg -v error -nostdin -threads $threads -filter_threads $threads \
-f rawvideo -pix_fmt gray16le -s ${width}x${height} -i $work/matte.gray16 \
-vf gblur=sigma=${sigma}:steps=1 -frames:v 1 -f rawvideo -pix_fmt gray16le -y $work/ffmpeg.gray16"
  echo
  echo "== radius ${radius} (gblur sigma ${sigma}), ${threads} thread(s)"
  hyperfine --shell=none --warmup 1 --runs 5 --export-json "$work/times.json" -n ours "$ours" -n ffmpeg "$theirs"
  python3 - "$work/times.json" "$threads" "$pixels" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
ours, theirs = results["ours"]["mean"], results["ffmpeg"]["mean"]
pixels = int(sys.argv[3])
print(f"threads {sys.argv[2]}: ours {ours:.3f} s ({ours / pixels * 1e9:.2f} ns/pixel), "
      f"ffmpeg {theirs:.3f} s ({theirs / pixels * 1e9:.2f} ns/pixel), ours/ffmpeg = {ours / theirs:.2f}")
PY
done
