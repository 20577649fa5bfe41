#!/usr/bin/env bash
# The processor from the outside: the real program started with a temporary home, job files dropped the way
# producers drop them, and only files, the print log and the per-day log looked at.
#   black_box.sh <vorl-zeverezoz> <write_test_job>
set -euo pipefail
app=$1
writer=$2

work=$(mktemp -d)
pid=
cleanup() {
  if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen TZ=UTC LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

root="$HOME/Vorl-Zeverezoz Folder ƒ"
spooler="$root/PRINT JOBS FOLDER ƒ"
finished="$root/FINISHED JOBS FOLDER ƒ"
unknown="$root/UNKNOWN JOBS FOLDER ƒ"
centre="$HOME/Vorl-PrintCenter Folder/Jobs To Be Printed"

fail() { echo "black_box: $*" >&2; echo "--- per-day log:" >&2; cat "$XDG_STATE_HOME"/Vorl/*.log >&2 || true; exit 1; }
# wait_for <seconds> <description> <command...>
wait_for() {
  local seconds=$1 what=$2; shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || fail "timed out waiting for $what"
    sleep 0.1
  done
}
count() { find "$1" -maxdepth 1 -type f ! -name '.*' | wc -l; }
has_count() { [[ -d $1 && $(count "$1") -eq $2 ]]; }

"$app" &
pid=$!
# A fresh start makes the folder tree and, as the settings say by default, starts processing.
wait_for 30 "the spooler folder" test -d "$spooler"
wait_for 30 "processing to start" grep -qs "Status: IDLING - Waiting for a New Job" "$XDG_STATE_HOME"/Vorl/*.log
# The job pool runs from start-up, one thread a processor.
pool_threads=$(cat /proc/"$pid"/task/*/comm 2>/dev/null | grep -c '^vorl job pool$' || true)
[[ $pool_threads -eq $(nproc) ]] || fail "expected $(nproc) job-pool threads, found $pool_threads"

for name in first second third; do "$writer" "$spooler" "$name" --template "bb-$name"; done
wait_for 60 "three finished jobs" has_count "$finished" 3
# Nobody answers the failed-job question (the settings ask it by default): after its minute the job is parked.
# It comes once the good jobs are through, as their order in the queue (oldest first, then by name) would
# otherwise let the question hold them for that minute.
"$writer" "$spooler" broken --bad-signature
wait_for 100 "the broken job in the unknown-jobs folder" has_count "$unknown" 1
grep -q "nobody answered" "$XDG_STATE_HOME"/Vorl/*.log || fail "the unanswered question is not logged"
[[ -f $unknown/broken ]] || fail "the broken job is not in the unknown-jobs folder"
[[ $(count "$centre") -eq 3 ]] || fail "expected three print-data files, found $(count "$centre")"
for file in "$centre"/*; do
  # 2 x 3 inches at 50 dpi: the header and 100 x 150 pixels of three bytes
  size=$(stat -c %s "$file")
  [[ $size -eq $((15041 + 100 * 150 * 3)) ]] || fail "$(basename "$file") has $size bytes"
done

wait_for 10 "three print-log lines" test "$(tr -cd '\r' < "$HOME/Print Log File" | wc -c)" -eq 3
grep -q "Template: bb-first" "$HOME/Print Log File" || fail "the print log does not name the template"
grep -q "Invalid Job Version Number!" "$XDG_STATE_HOME"/Vorl/*.log || fail "the failed job's message is not logged"

# A second copy refuses to start and leaves the first alone.
set +e
"$app" >/dev/null 2>&1
second=$?
set -e
[[ $second -ne 0 ]] || fail "a second copy started"
kill -0 "$pid" || fail "the first copy ended"
grep -q "Another version of Vorl-Zeverezoz is already running" "$XDG_STATE_HOME"/Vorl/*.log ||
  fail "the refused copy's message is not logged"

# SIGTERM ends the program in order.
kill -TERM "$pid"
set +e
wait "$pid"
status=$?
set -e
pid=
[[ $status -eq 0 ]] || fail "exit status $status after SIGTERM"
echo "black_box: all checks passed"
