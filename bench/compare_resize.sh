#!/usr/bin/env bash
# Our resize next to libvips and GraphicsMagick on the same synthetic pictures, at one thread and at all threads:
#   - a 24-megapixel photo (6000 x 4000) to a 6x4 inch page at 300 dpi (1800 x 1200), lanczos3;
#   - a 12-megapixel photo (3000 x 4000) to a 16x20 inch poster (4800 x 6000), lanczos2 (GraphicsMagick has only
#     its 3-lobe Lanczos).
# Two comparisons:
#   1. in memory: imaging_scaler_bench times our resize and vips_resize on the same pixels in one program;
#   2. the command-line programs `vips resize` and `gm convert -resize` on a raw file of the same size, each less
#      its own load-only baseline (`vips avg`, `gm convert ... null:`), so file reading is not counted.
# Prints our time over theirs; below 1 means we are faster.
#
# Usage: bench/compare_resize.sh [build-dir]
#   With a build folder given, its benchmark is used as it is (the folder is never rebuilt); without one,
#   build/bench-release is configured and the benchmark built when it is missing there. Every figure is the median
#   of five runs interleaved with the other side's, so both see the same load.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/compare_common.sh
build=$(benchmark_build "${1:-}" imaging_scaler_bench)
for tool in vips gm python3; do
  command -v "$tool" >/dev/null || { echo "compare_resize: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done

threads=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== in memory (imaging_scaler_bench), $threads threads for 'all' =="
"$build/bench/imaging_scaler_bench" --benchmark_filter='Lanczos' $(interleaved_medians) \
  --benchmark_format=json >"$work/memory.json" 2>/dev/null

echo "== command line: writing the synthetic pictures =="
head -c $((6000 * 4000 * 4)) /dev/urandom >"$work/photo24.raw"
head -c $((3000 * 4000 * 4)) /dev/urandom >"$work/photo12.raw"
vips rawload "$work/photo24.raw" "$work/photo24.v" 6000 4000 4
vips rawload "$work/photo12.raw" "$work/photo12.v" 3000 4000 4

for n in 1 "$threads"; do
  env="VIPS_CONCURRENCY=$n OMP_NUM_THREADS=$n"
  time_interleaved "$work/cli-$n.json" \
    vips-reduce "$env vips resize $work/photo24.v $work/out.v 0.3 --kernel lanczos3" \
    vips-reduce-base "$env vips avg $work/photo24.v" \
    vips-enlarge "$env vips resize $work/photo12.v $work/out.v 1.6 --kernel lanczos2" \
    vips-enlarge-base "$env vips avg $work/photo12.v" \
    gm-reduce "$env gm convert -limit threads $n -size 6000x4000 -depth 8 rgba:$work/photo24.raw -filter Lanczos -resize 1800x1200! rgba:$work/out.raw" \
    gm-reduce-base "$env gm convert -limit threads $n -size 6000x4000 -depth 8 rgba:$work/photo24.raw null:" \
    gm-enlarge "$env gm convert -limit threads $n -size 3000x4000 -depth 8 rgba:$work/photo12.raw -filter Lanczos -resize 4800x6000! rgba:$work/out.raw" \
    gm-enlarge-base "$env gm convert -limit threads $n -size 3000x4000 -depth 8 rgba:$work/photo12.raw null:"
done

python3 - "$work" "$threads" <<'PY'
import json, sys
work, threads = sys.argv[1], sys.argv[2]
memory = {b["run_name"]: b["real_time"] for b in json.load(open(f"{work}/memory.json"))["benchmarks"]
          if b.get("aggregate_name") == "median"}

def ours(case, arg):
    return memory[f"BM_{case}/{arg}/real_time"]

def cli(name, n):
    times = json.load(open(f"{work}/cli-{n}.json"))
    return (times[name] - times[name + "-base"]) * 1000, times[name] * 1000

for label, case, vips_case, cli_case in [
    ("reduce 24MP->1800x1200 lanczos3", "ReduceLanczos3_24MP_To_1800x1200", "VipsReduceLanczos3_24MP_To_1800x1200", "reduce"),
    ("enlarge 12MP->4800x6000 lanczos2", "EnlargeLanczos2_12MP_To_4800x6000", "VipsEnlargeLanczos2_12MP_To_4800x6000", "enlarge"),
]:
    for arg, n in (("1", "1"), ("0", threads)):
        mine = ours(case, arg)
        rows = []
        if f"BM_{vips_case}/{arg}/real_time" in memory:
            rows.append(("libvips in memory", memory[f"BM_{vips_case}/{arg}/real_time"]))
        for tool in ("vips", "gm"):
            rows.append((f"{tool} command, net of load", cli(f"{tool}-{cli_case}", n)[0]))
        for name, theirs in rows:
            ratio = mine / theirs if theirs > 0 else float("nan")
            print(f"{label} vs {name:<28} threads {n:>3}: ours {mine:8.1f} ms, theirs {theirs:8.1f} ms, "
                  f"ours/theirs {ratio:5.2f}")
PY
