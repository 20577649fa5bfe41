#!/usr/bin/env bash
# Our Gaussian blur of radius 2 next to libvips and GraphicsMagick on a 24-megapixel picture (6000 x 4000), at one
# thread and at all threads:
#   1. in memory, in the same process: filter_chain_bench times our blur and vips_gaussblur at libvips's default
#      precision on the same pixels, five runs each interleaved in random order, medians compared;
#   2. the command-line programs `vips gaussblur in.v out.v 2` and `gm convert -gaussian 0x2` on a raw file of
#      the same size, each less its own load-only baseline (`vips avg`, `gm convert ... null:`), so file reading
#      is not counted; five interleaved rounds, medians.
# Also prints our full per-image correction. Ratios are our time over theirs; below 1 means we are faster.
#
# Usage: bench/compare_filters.sh [build-dir]
#   With a build folder given, its filter_chain_bench is used as it is (the folder is never rebuilt); without one,
#   build/bench-release is configured and the benchmark built when it is missing there.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/compare_common.sh
build=$(benchmark_build "${1:-}" filter_chain_bench)
for tool in vips gm python3; do
  command -v "$tool" >/dev/null || { echo "compare_filters: $tool is missing" >&2; exit 1; }
done

threads=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== in memory (filter_chain_bench), $threads threads for 'all' =="
"$build/bench/filter_chain_bench" $(interleaved_medians) --benchmark_format=json >"$work/memory.json" 2>/dev/null

echo "== command line: writing the synthetic picture =="
head -c $((6000 * 4000 * 4)) /dev/urandom >"$work/photo24.raw"
vips rawload "$work/photo24.raw" "$work/photo24.v" 6000 4000 4

for n in 1 "$threads"; do
  time_interleaved "$work/cli-$n.json" \
    vips-blur "VIPS_CONCURRENCY=$n vips gaussblur $work/photo24.v $work/out.v 2" \
    vips-blur-base "VIPS_CONCURRENCY=$n vips avg $work/photo24.v" \
    gm-blur "OMP_NUM_THREADS=$n gm convert -limit threads $n -size 6000x4000 -depth 8 rgba:$work/photo24.raw -gaussian 0x2 rgba:$work/out.raw" \
    gm-blur-base "OMP_NUM_THREADS=$n gm convert -limit threads $n -size 6000x4000 -depth 8 rgba:$work/photo24.raw null:"
done

python3 - "$work" "$threads" <<'PY'
import json, sys
work, threads = sys.argv[1], sys.argv[2]
memory = {b["run_name"]: b["real_time"] for b in json.load(open(f"{work}/memory.json"))["benchmarks"]
          if b.get("aggregate_name") == "median"}
megapixels = 24.0

def cli(name, n):
    times = json.load(open(f"{work}/cli-{n}.json"))
    return (times[name] - times[name + "-base"]) * 1000

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
print("(medians of five runs, interleaved)")
PY
