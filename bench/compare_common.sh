# Shared by the compare scripts (sourced, not run).

# benchmark_build <build-dir or empty> <target>: prints the folder whose bench/<target> is to be run. A folder
# given by the caller is used as it is and never rebuilt (a missing benchmark there is an error); without one,
# build/bench-release is configured and the target built when it is missing.
benchmark_build() {
  local given=$1 target=$2
  if [[ -n $given ]]; then
    [[ -x "$given/bench/$target" ]] || { echo "$given/bench/$target is missing; build it first" >&2; exit 1; }
    echo "$given"
    return
  fi
  local build=build/bench-release
  if [[ ! -x "$build/bench/$target" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORL_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --target "$target" >/dev/null
  fi
  echo "$build"
}

# The Google Benchmark options for five runs of every benchmark, interleaved in random order, reporting the
# median (and mean and spread) only.
interleaved_medians() {
  echo "--benchmark_repetitions=5 --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true --benchmark_min_time=0.2"
}

# time_interleaved <out.json> <name> <command> [<name> <command>]...: runs each command (split into words, no
# shell) once to warm up, then five rounds in which every command runs once, in an order shuffled each round, so
# all of them see the same load; writes {name: median seconds} to out.json. Environment given as VAR=value words
# before the program applies to that command only.
time_interleaved() {
  python3 - "$@" <<'PY'
import json, os, random, shlex, statistics, subprocess, sys, time
out, pairs = sys.argv[1], sys.argv[2:]
commands = dict(zip(pairs[0::2], pairs[1::2]))
def run(command):
    words = shlex.split(command)
    env = dict(os.environ)
    while words and "=" in words[0] and not words[0].startswith("/"):
        key, value = words.pop(0).split("=", 1)
        env[key] = value
    start = time.perf_counter()
    subprocess.run(words, env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start
for command in commands.values():
    run(command)
times = {name: [] for name in commands}
for _ in range(5):
    order = list(commands)
    random.shuffle(order)
    for name in order:
        times[name].append(run(commands[name]))
json.dump({name: statistics.median(values) for name, values in times.items()}, open(out, "w"))
PY
}
