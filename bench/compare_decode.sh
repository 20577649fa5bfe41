#!/usr/bin/env bash
# Our JPEG decode next to djpeg on the same 24-megapixel file (6000 x 4000, q92, 4:2:0):
#   1. codec_decode_bench makes the file and times decodeImageFile into a new offscreen (and, in the same program,
#      libjpeg-turbo alone into one reused row);
#   2. hyperfine times `djpeg -outfile /dev/shm/x.ppm` on that file, less `djpeg -outfile /dev/null` on a 1 x 1
#      JPEG for the program's start.
# Prints ours over djpeg's; the aim is at most 1.1.
#
# Usage: bench/compare_decode.sh [build-dir]   (default build/bench-release, configured and built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/bench-release}
if [[ ! -x "$build/bench/codec_decode_bench" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target codec_decode_bench >/dev/null
fi
for tool in djpeg cjpeg hyperfine python3; do
  command -v "$tool" >/dev/null || { echo "compare_decode: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORL_DECODE_BENCH_FILE="$work/photo24.jpg"

echo "== codec_decode_bench (makes $VORL_DECODE_BENCH_FILE) =="
"$build/bench/codec_decode_bench" --benchmark_min_time=1 --benchmark_format=json >"$work/ours.json" 2>/dev/null

printf 'P6\n1 1\n255\n\x80\x80\x80' >"$work/one.ppm"
cjpeg -outfile "$work/one.jpg" "$work/one.ppm"
hyperfine -N -w 2 -r 10 --export-json "$work/djpeg.json" \
  "djpeg -outfile $work/x.ppm $VORL_DECODE_BENCH_FILE" "djpeg -outfile /dev/null $work/one.jpg" >/dev/null

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
ours = {b["name"]: b["real_time"] for b in json.load(open(f"{work}/ours.json"))["benchmarks"]}
runs = json.load(open(f"{work}/djpeg.json"))["results"]
djpeg, start = runs[0]["mean"] * 1000, runs[1]["mean"] * 1000
full = ours["BM_DecodeJpeg24MP_IntoOffscreen/0/real_time"]
print(f"decodeImageFile into an offscreen  {full:8.1f} ms")
print(f"preview (half size)                {ours['BM_DecodeJpeg24MP_IntoOffscreen/1/real_time']:8.1f} ms")
print(f"libjpeg-turbo into one row         {ours['BM_LibjpegTurbo24MP_IntoOneRow/real_time']:8.1f} ms")
offscreen = ours["BM_NewOffscreen24MP/real_time"]
print(f"of which the new offscreen         {offscreen:8.1f} ms (white fill and first touch of 96 MB)")
print(f"djpeg -outfile {work}/x.ppm {djpeg:8.1f} ms (start-up {start:.1f} ms)")
print(f"ours/djpeg {full / djpeg:5.2f}; ours/(djpeg - start-up) {full / (djpeg - start):5.2f}; "
      f"decoding alone (less the new offscreen)/djpeg {(full - offscreen) / djpeg:5.2f}")
PY
