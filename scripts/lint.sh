#!/usr/bin/env bash
# The tree's two checks: clang-tidy's fault-finding checks over the product sources, and the format of
# every tracked C++ file. Prints only findings; fails when there is any.
set -uo pipefail
build=${1:-build/main}
jobs=${2:-$(nproc)}
cd "$(dirname "$0")/.."

log=$(mktemp)
trap 'rm -f "$log"' EXIT
run-clang-tidy -quiet -j "$jobs" -p "$build" "^$PWD/(crypto|doc|cli|framework|ui|app)/.*\\.cpp\$" >"$log" 2>&1
tidy=$?
# Its progress lines and the counts of warnings in system headers say nothing; the findings do.
grep -E '(warning|error):' "$log" | sort -u
[ "$tidy" -eq 0 ] || { echo "clang-tidy: findings above" >&2; }

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
format=$?

[ "$tidy" -eq 0 ] && [ "$format" -eq 0 ] && echo "lint: clean"
