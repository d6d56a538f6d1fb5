#!/usr/bin/env bash
# Runs each fuzz target of BUILD for SECONDS on the seed corpus plus what earlier runs kept; fails on
# any crash, leak, sanitizer report, time-out or broken invariant, and shows the reproducer.
#   usage: [FUZZ_TARGETS="convert_one ..."] fuzz/run.sh BUILD SECONDS [SEED]   (default: every target)
# With a SEED the run is repeatable (the smoke in `make test` uses one, so CI does not turn red by chance);
# without one each run explores anew.
set -euo pipefail
build=$1
seconds=$2
seed_option=()
[ $# -ge 3 ] && seed_option=(-seed="$3")
here=$(cd "$(dirname "$0")" && pwd)

"$here/make-corpus.sh" "$build/seed" >/dev/null
status=0
for t in ${FUZZ_TARGETS:-convert_one convert_many keystore}; do
  corpus=$build/corpus/$t
  artifacts=$build/artifacts/$t
  log=$build/fuzz_$t.log
  mkdir -p "$corpus" "$artifacts"
  # -timeout: no single input may take this long (a crafted file must be refused quickly).
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "$build/fuzz/fuzz_$t" "$corpus" "$build/seed/$t" -dict="$here/quillon.dict" \
       -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2560 -print_final_stats=1 \
       -artifact_prefix="$artifacts/" "${seed_option[@]}" >"$log" 2>&1; then
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1 | grep -oE 'cov: [0-9]+' || true)
    echo "fuzz_$t: ${execs:-?} executions in ${seconds}s, corpus $(ls "$corpus" | wc -l) kept + $(ls "$build/seed/$t" | wc -l) seeds, $cov"
  else
    status=1
    echo "fuzz_$t FAILED (log: $log); reproducer(s) in $artifacts:" >&2
    grep -E 'ERROR|SUMMARY|invariant|Test unit written|timeout' "$log" | head -20 >&2 || true
  fi
done
exit $status
