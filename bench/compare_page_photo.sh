#!/usr/bin/env bash
# A page photograph's road beside libvips in the same process, on the same file and profiles: a 24-megapixel JPEG
# carrying an Adobe-RGB-compatible profile, fitted to 1800 x 1200 (6x4 inches at 300 dpi) and matched to sRGB.
#   ours: decode, lanczos3 reduce, match (page_photo_bench pagePhoto);
#   vips: the file opened for sequential reading, vips_thumbnail_image, vips_icc_transform, written to memory
#         (page_photo_bench vipsPagePhoto).
# Each at one thread and at all threads, five runs each, interleaved in random order so that both sides see the
# same load; the medians are compared. The aim is at most 1.
#
# Usage: bench/compare_page_photo.sh [build-dir]
#   With a build folder given, its page_photo_bench is used as it is (the folder is never rebuilt); without one,
#   build/bench-release is configured and the benchmark built when it is missing there.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/compare_common.sh
build=$(benchmark_build "${1:-}" page_photo_bench)
threads=$(nproc)
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORL_PAGE_PHOTO_DIR="$work"

# The photo and the profiles are made by the benchmark itself (ramps with grain, Debian's profiles).
"$build/bench/page_photo_bench" $(interleaved_medians) --benchmark_format=json >"$work/runs.json" 2>/dev/null

python3 - "$work" "$threads" <<'PY'
import json, sys
work, threads = sys.argv[1], sys.argv[2]
median = {b["run_name"]: b["real_time"] for b in json.load(open(f"{work}/runs.json"))["benchmarks"]
          if b.get("aggregate_name") == "median"}
if not any(name.startswith("vipsPagePhoto") for name in median):
    sys.exit("page_photo_bench was built without libvips (libvips-dev): nothing to compare with")
for arg, n in (("1", "1"), ("0", threads)):
    mine = median[f"pagePhoto/one_thread:{arg}/real_time"]
    vips = median[f"vipsPagePhoto/one_thread:{arg}/real_time"]
    print(f"{n:>2} thread(s): ours {mine:7.1f} ms   vips_thumbnail_image + vips_icc_transform {vips:7.1f} ms   "
          f"ratio {mine / vips:.2f} (medians of 5, interleaved)")
PY
