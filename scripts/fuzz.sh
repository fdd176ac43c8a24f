#!/bin/sh
# Builds the libFuzzer targets (preset "fuzz", clang 14 with ASan and UBSan),
# writes their seed corpora and runs each target for a bounded time, keeping
# what it learns in build/fuzz/corpus. A finding (crash, leak, failed
# property, timeout) stops the run; its input is left in build/fuzz/findings.
# Usage: scripts/fuzz.sh [seconds per target [extra libFuzzer options]]
# KELB_FUZZ_BUILD names another build tree than build/fuzz.
set -e
cd "$(dirname "$0")/.."
seconds=${1:-10}
[ $# -gt 0 ] && shift
build=${KELB_FUZZ_BUILD:-build/fuzz}
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target fuzz_targets
rm -rf "$build/seeds"
"$build/tests/fuzz/make_seeds" "$build/seeds"
mkdir -p "$build/findings" "$build/logs"
total=0
for t in table dump scan firmware_table version prompt settings; do
  case $t in
    scan) max_len=65536 ;;
    dump|firmware_table) max_len=16384 ;;
    *) max_len=4096 ;;
  esac
  mkdir -p "$build/corpus/$t"
  log="$build/logs/$t.log"
  # The targets' own diagnostics would fill the log: standard error is closed
  # for them (libFuzzer and the sanitizers keep a descriptor of their own).
  if ! "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=$max_len -timeout=10 \
       -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "$@" \
       "$build/corpus/$t" "$build/seeds/$t" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz_$t: FINDING, see $log and $build/findings/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz_$t: ${runs:-0} executions in ${seconds}s, no finding"
  total=$((total + ${runs:-0}))
done
echo "fuzz: $total executions in all, no finding"
