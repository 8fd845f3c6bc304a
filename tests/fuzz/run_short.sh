#!/bin/sh
# Builds the fuzz preset and runs each fuzz target for a bounded time (60 s each,
# or the number of seconds given as the first argument), starting from the
# committed seed corpora. Exits non-zero on the first finding: a crash, a
# sanitizer report, a broken invariant, a timeout or a leak. Findings are kept in
# build/fuzz/findings/ for a regression case.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/tests/fuzz
findings=build/fuzz/findings
mkdir -p "$findings"
status=0
for target in plan_page convert lookup; do
    dictionary=tests/fuzz/convert.dict
    [ "$target" = plan_page ] && dictionary=tests/fuzz/plan.dict
    # New inputs go to a scratch corpus; the committed seeds are only read.
    work=$(mktemp -d)
    echo "== fuzz_$target for ${seconds} s"
    if "$bin/fuzz_$target" "$work" "tests/fuzz/corpus/$target" -dict="$dictionary" \
        -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" >"$findings/$target.log" 2>&1; then
        grep -E '^stat::number_of_executed_units' "$findings/$target.log" || true
    else
        echo "FINDING in fuzz_$target (log: $findings/$target.log):"
        grep -E 'FINDING|ERROR|SUMMARY|Test unit written' "$findings/$target.log" || true
        status=1
    fi
    rm -rf "$work"
done
exit $status
