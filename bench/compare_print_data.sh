#!/usr/bin/env bash
# Finishing and writing a 6x4 inch page at 300 dpi (1800 x 1200) for the print centre, per data type, over the
# floor of writing and flushing the same bytes into the same folder; the aim is at most 2. Then the hand-off of
# the new print-centre mode (JPEG q100 and property list) beside `cjpeg -quality 100` on a PPM of the same pixels,
# less cjpeg's start-up on a 1 x 1 picture.
#
# Usage: bench/compare_print_data.sh [build-dir]
#   With a build folder given, its benchmark is used as it is (the folder is never rebuilt); without one,
#   build/bench-release is configured and the benchmark built when it is missing there. Every figure is the median
#   of five runs interleaved with the other side's, so both see the same load.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/compare_common.sh
build=$(benchmark_build "${1:-}" print_data_bench)
for tool in cjpeg python3; do
  command -v "$tool" >/dev/null || { echo "compare_print_data: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORL_PRINT_DATA_BENCH_PPM="$work/page.ppm"

"$build/bench/print_data_bench" $(interleaved_medians) --benchmark_format=json >"$work/ours.json" 2>/dev/null

printf 'P6\n1 1\n255\n\x80\x80\x80' >"$work/one.ppm"
time_interleaved "$work/cjpeg.json" cjpeg "cjpeg -quality 100 -outfile $work/page.jpg $VORL_PRINT_DATA_BENCH_PPM" \
  start "cjpeg -outfile /dev/null $work/one.ppm"

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
ours = {b["run_name"]: b for b in json.load(open(f"{work}/ours.json"))["benchmarks"] if b.get("aggregate_name") == "median"}
kinds = (("1", "RGB interleaved"), ("44", "RGB planes"), ("5", "BGR planes"), ("30", "JPEG q100"))
for printer, kind in kinds:
    mine = ours[f"BM_FinishAndWrite/printer:{printer}/real_time"]
    floor = ours[f"BM_WriteAndFlush/printer:{printer}/real_time"]
    print(f"type {printer:>2} {kind:<16} ours {mine['real_time']:7.1f} ms   write+fsync of "
          f"{int(floor['file_bytes']):>8} bytes {floor['real_time']:7.1f} ms   ratio {mine['real_time'] / floor['real_time']:.2f}")
runs = json.load(open(f"{work}/cjpeg.json"))
cjpeg, start = runs["cjpeg"] * 1000, runs["start"] * 1000
hand = ours["BM_HandOff/real_time"]["real_time"]
print(f"hand-off (JPEG q100 + plist)  ours {hand:7.1f} ms   cjpeg -quality 100 {cjpeg:7.1f} ms "
      f"(start-up {start:.1f} ms)   ours/(cjpeg - start-up) {hand / (cjpeg - start):.2f}")
PY
