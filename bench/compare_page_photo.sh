#!/usr/bin/env bash
# A page photograph's road beside libvips on the same file and profiles: decode a 24-megapixel JPEG carrying an
# Adobe-RGB-like profile, fit it to 1800 x 1200 (6x4 inches at 300 dpi) and match it to sRGB.
#   ours: page_photo_bench (decode, lanczos3 reduce, match), at one thread and at all threads;
#   vips: `vips thumbnail` (which shrinks while decoding) then `vips icc_transform`, VIPS_CONCURRENCY 1 and all.
# Prints ours over vips's for each; the aim is at most 1.
#
# Usage: bench/compare_page_photo.sh [build-dir]   (default build/bench-release, configured and built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/bench-release}
if [[ ! -x "$build/bench/page_photo_bench" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target page_photo_bench >/dev/null
fi
threads=$(nproc)
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORL_PAGE_PHOTO_DIR="$work"

# The photo: smooth colour ramps with grain, 6000 x 4000, q92, an Adobe-RGB-compatible profile embedded.
python3 - "$work" <<'PY'
import sys, random
work = sys.argv[1]
w, h = 6000, 4000
random.seed(7)
with open(f"{work}/photo24.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h))
    row = bytearray(3 * w)
    for y in range(h):
        for x in range(w):
            g = random.randrange(8)
            row[3 * x] = (x * 255 // w + g) & 255
            row[3 * x + 1] = (y * 255 // h + g) & 255
            row[3 * x + 2] = ((x + y) * 127 // (w + h) + 64 + g) & 255
        f.write(row)
PY
# The profiles are Debian's (icc-profiles-free); exiv2 embeds the one named like the picture.
cp /usr/share/color/icc/sRGB.icc "$work/srgb.icc"
cp /usr/share/color/icc/compatibleWithAdobeRGB1998.icc "$work/adobe.icc"
cjpeg -quality 92 -outfile "$work/plain.jpg" "$work/photo24.ppm"
cp "$work/adobe.icc" "$work/plain.icc"
exiv2 -q -iC "$work/plain.jpg"
mv "$work/plain.jpg" "$work/photo24.jpg"

"$build/bench/page_photo_bench" --benchmark_min_time=1 --benchmark_format=json >"$work/ours.json" 2>/dev/null

run() {  # run THREADS: mean seconds of vips thumbnail + icc_transform into $work/vips-THREADS.json
  VIPS_CONCURRENCY=$1 hyperfine -N -w 1 -r 5 --export-json "$work/vips-$1.json" \
    "sh -c 'vips thumbnail $work/photo24.jpg $work/thumb.v 1800 --height 1200 --size force --no-rotate --import-profile $work/adobe.icc && vips icc_transform $work/thumb.v $work/out.v $work/srgb.icc --input-profile $work/adobe.icc'" >/dev/null
}
run 1
run "$threads"

python3 - "$work" "$threads" <<'PY'
import json, sys
work, threads = sys.argv[1], sys.argv[2]
ours = {b["name"]: b["real_time"] for b in json.load(open(f"{work}/ours.json"))["benchmarks"]}
for arg, n in (("1", "1"), ("0", threads)):
    mine = ours[f"pagePhoto/one_thread:{arg}/real_time"]
    vips = json.load(open(f"{work}/vips-{n}.json"))["results"][0]["mean"] * 1000
    print(f"{n:>2} thread(s): ours {mine:7.1f} ms   vips thumbnail + icc_transform {vips:7.1f} ms   ratio {mine / vips:.2f}")
PY
