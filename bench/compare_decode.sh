#!/usr/bin/env bash
# Our JPEG decode next to libjpeg-turbo in the same process, on the same 24-megapixel file (6000 x 4000, q92,
# 4:2:0), both reading the file and writing the same X, R, G, B rows of a whole picture: codec_decode_bench makes
# the file and runs both, five times each, interleaved in random order so that both see the same load; the
# medians are compared.
# Prints ours over libjpeg-turbo's; the aim is at most 1.1.
#
# Usage: bench/compare_decode.sh [build-dir]
#   With a build folder given, its codec_decode_bench is used as it is (the folder is never rebuilt); without
#   one, build/bench-release is configured and built when the benchmark is missing there.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/compare_common.sh
build=$(benchmark_build "${1:-}" codec_decode_bench)

work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORL_DECODE_BENCH_FILE="$work/photo24.jpg"

"$build/bench/codec_decode_bench" --benchmark_filter='IntoOffscreen/0|IntoWholePicture|NewOffscreen' \
  $(interleaved_medians) --benchmark_format=json >"$work/ours.json" 2>/dev/null

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
median = {b["run_name"]: b["real_time"] for b in json.load(open(f"{work}/ours.json"))["benchmarks"]
          if b.get("aggregate_name") == "median"}
ours = median["BM_DecodeJpeg24MP_IntoOffscreen/0/real_time"]
turbo = median["BM_LibjpegTurbo24MP_IntoWholePicture/real_time"]
offscreen = median["BM_NewOffscreen24MP/real_time"]
print(f"decodeImageFile into an offscreen        {ours:8.1f} ms (median of 5, interleaved)")
print(f"libjpeg-turbo into a whole picture       {turbo:8.1f} ms")
print(f"of ours, the new offscreen's white fill  {offscreen:8.1f} ms")
print(f"ours / libjpeg-turbo {ours / turbo:5.2f} (aim: at most 1.1)")
PY
