#!/usr/bin/env bash
# A set output of a 10 x 15 inch page at 300 dpi (3000 x 4500) as a JPEG with upload metadata over the same page's
# JPEG encode alone; the aim is at most 1.2. Then the web copy (640 pixels): what it adds to the set output,
# beside `vips thumbnail <page.jpg> -s 640` on the same page saved as a JPEG, less vips' start-up on a 1 x 1 JPEG.
#
# Usage: bench/compare_set_output.sh [build-dir]   (default build/bench-release, configured and built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/bench-release}
# Configured when new; always built, so the figures are of the code as it stands.
[[ -f "$build/build.ninja" ]] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target set_output_bench >/dev/null
for tool in vips cjpeg hyperfine python3; do
  command -v "$tool" >/dev/null || { echo "compare_set_output: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORL_SET_OUTPUT_BENCH_JPEG="$work/page.jpg"

"$build/bench/set_output_bench" --benchmark_min_time=2 --benchmark_format=json >"$work/ours.json" 2>/dev/null

printf 'P6\n1 1\n255\n\x80\x80\x80' >"$work/one.ppm"
cjpeg -outfile "$work/one.jpg" "$work/one.ppm"
hyperfine -N -w 2 -r 10 --export-json "$work/vips.json" \
  "vips thumbnail $work/page.jpg $work/web.jpg 640" "vips thumbnail $work/one.jpg $work/web1.jpg 640" >/dev/null

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
ours = {b["name"]: b["real_time"] for b in json.load(open(f"{work}/ours.json"))["benchmarks"]}
encode = ours["BM_EncodeJpegAlone/real_time"]
plain = ours["BM_SetOutput/real_time"]
web = ours["BM_SetOutputWithWebCopy/real_time"]
memory = ours["BM_WebSizedCopyAndEncode/real_time"]
print(f"set output (JPEG + upload metadata) {plain:7.1f} ms   encode alone {encode:7.1f} ms   ratio {plain / encode:.2f}")
runs = json.load(open(f"{work}/vips.json"))["results"]
vips, start = runs[0]["mean"] * 1000, runs[1]["mean"] * 1000
print(f"web copy: set output with it {web:7.1f} ms, so it adds {web - plain:6.1f} ms "
      f"(fit + encode in memory {memory:6.1f} ms)")
print(f"vips thumbnail -s 640 {vips:7.1f} ms (start-up {start:.1f} ms)   "
      f"ours added/(vips - start-up) {(web - plain) / (vips - start):.2f}   "
      f"in memory/(vips - start-up) {memory / (vips - start):.2f}")
PY
