#!/usr/bin/env bash
# Our Gaussian blur of radius 2 next to libvips and GraphicsMagick on a 24-megapixel picture (6000 x 4000), at one
# thread and at all threads:
#   1. in memory: filter_chain_bench times our blur and vips_gaussblur (float precision) on the same pixels;
#   2. the command-line programs `vips gaussblur in.v out.v 2` and `gm convert -gaussian 0x2` on a raw file of
#      the same size, each less its own load-only baseline (`vips avg`, `gm convert ... null:`), so file reading
#      is not counted.
# Also prints our full per-image correction. Ratios are our time over theirs; below 1 means we are faster.
#
# Usage: bench/compare_filters.sh [build-dir]   (default build/release, configured and built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
if [[ ! -x "$build/bench/filter_chain_bench" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORL_SANITIZE=OFF -DVORL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j4 --target filter_chain_bench >/dev/null
fi
for tool in vips gm hyperfine python3; do
  command -v "$tool" >/dev/null || { echo "compare_filters: $tool is missing" >&2; exit 1; }
done

threads=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== in memory (filter_chain_bench), $threads threads for 'all' =="
"$build/bench/filter_chain_bench" --benchmark_min_time=1 --benchmark_format=json >"$work/memory.json" 2>/dev/null

echo "== command line: writing the synthetic picture =="
head -c $((6000 * 4000 * 4)) /dev/urandom >"$work/photo24.raw"
vips rawload "$work/photo24.raw" "$work/photo24.v" 6000 4000 4

run() {  # run NAME THREADS COMMAND...: mean seconds into $work/NAME-THREADS.json
  local name=$1 n=$2
  shift 2
  VIPS_CONCURRENCY=$n OMP_NUM_THREADS=$n hyperfine -N -w 1 -r 5 --export-json "$work/$name-$n.json" "$*" >/dev/null
}
for n in 1 "$threads"; do
  run vips-blur "$n" vips gaussblur "$work/photo24.v" "$work/out.v" 2
  run vips-blur-base "$n" vips avg "$work/photo24.v"
  run gm-blur "$n" gm convert -limit threads "$n" -size 6000x4000 -depth 8 "rgba:$work/photo24.raw" \
    -gaussian 0x2 "rgba:$work/out.raw"
  run gm-blur-base "$n" gm convert -limit threads "$n" -size 6000x4000 -depth 8 "rgba:$work/photo24.raw" null:
done

python3 - "$work" "$threads" <<'PY'
import json, sys
work, threads = sys.argv[1], sys.argv[2]
memory = {b["name"]: b["real_time"] for b in json.load(open(f"{work}/memory.json"))["benchmarks"]}
megapixels = 24.0

def cli(name, n):
    mean = lambda f: json.load(open(f"{work}/{f}-{n}.json"))["results"][0]["mean"] * 1000
    return mean(name) - mean(name + "-base")

for arg, n in (("1", "1"), ("0", threads)):
    for case in ("FullCorrection_24MP", "FullCorrectionInto_24MP", "PerPixelCorrection_24MP"):
        t = memory[f"BM_{case}/{arg}/real_time"]
        print(f"{case:<26} threads {n:>3}: {t:8.1f} ms, {t / megapixels:6.2f} ms/MP")
    mine = memory[f"BM_Blur2_24MP/{arg}/real_time"]
    rows = []
    if f"BM_VipsGaussblur2_24MP/{arg}/real_time" in memory:
        rows.append(("vips_gaussblur in memory", memory[f"BM_VipsGaussblur2_24MP/{arg}/real_time"]))
    rows.append(("vips gaussblur, net of load", cli("vips-blur", n)))
    rows.append(("gm -gaussian 0x2, net of load", cli("gm-blur", n)))
    for name, theirs in rows:
        ratio = mine / theirs if theirs > 0 else float("nan")
        print(f"blur 2 vs {name:<30} threads {n:>3}: ours {mine:8.1f} ms ({mine / megapixels:5.2f} ms/MP), "
              f"theirs {theirs:8.1f} ms ({theirs / megapixels:5.2f} ms/MP), ours/theirs {ratio:5.2f}")
PY
