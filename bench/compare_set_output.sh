#!/usr/bin/env bash
# A set output of a 10 x 15 inch page at 300 dpi (3000 x 4500) as a JPEG with upload metadata over the same page's
# JPEG encode alone; the aim is at most 1.2. Then the web copy (640 pixels): what it adds to the set output,
# beside `vips thumbnail <page.jpg> -s 640` on the same page saved as a JPEG, less vips' start-up on a 1 x 1 JPEG.
#
# Usage: bench/compare_set_output.sh [build-dir]
#   With a build folder given, its benchmark is used as it is (the folder is never rebuilt); without one,
#   build/bench-release is configured and the benchmark built when it is missing there. Every figure is the median
#   of five runs interleaved with the other side's, so both see the same load.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/compare_common.sh
build=$(benchmark_build "${1:-}" set_output_bench)
for tool in vips cjpeg python3; do
  command -v "$tool" >/dev/null || { echo "compare_set_output: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORL_SET_OUTPUT_BENCH_JPEG="$work/page.jpg"

"$build/bench/set_output_bench" $(interleaved_medians) --benchmark_format=json >"$work/ours.json" 2>/dev/null

printf 'P6\n1 1\n255\n\x80\x80\x80' >"$work/one.ppm"
cjpeg -outfile "$work/one.jpg" "$work/one.ppm"
time_interleaved "$work/vips.json" vips "vips thumbnail $work/page.jpg $work/web.jpg 640" \
  start "vips thumbnail $work/one.jpg $work/web1.jpg 640"

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
ours = {b["run_name"]: b["real_time"] for b in json.load(open(f"{work}/ours.json"))["benchmarks"]
        if b.get("aggregate_name") == "median"}
encode = ours["BM_EncodeJpegAlone/real_time"]
plain = ours["BM_SetOutput/real_time"]
web = ours["BM_SetOutputWithWebCopy/real_time"]
memory = ours["BM_WebSizedCopyAndEncode/real_time"]
print(f"set output (JPEG + upload metadata) {plain:7.1f} ms   encode alone {encode:7.1f} ms   ratio {plain / encode:.2f}")
runs = json.load(open(f"{work}/vips.json"))
vips, start = runs["vips"] * 1000, runs["start"] * 1000
print(f"web copy: set output with it {web:7.1f} ms, so it adds {web - plain:6.1f} ms "
      f"(fit + encode in memory {memory:6.1f} ms)")
print(f"vips thumbnail -s 640 {vips:7.1f} ms (start-up {start:.1f} ms)   "
      f"ours added/(vips - start-up) {(web - plain) / (vips - start):.2f}   "
      f"in memory/(vips - start-up) {memory / (vips - start):.2f}")
PY
