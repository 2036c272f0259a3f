#!/usr/bin/env bash
# Runs every fuzz target built in <build dir> for FUZZ_SECONDS each (default 60), starting
# from the seeds in fuzz/corpus/<target>/ and the corpus grown by earlier runs, and prints
# the executions and the outcome per target. Exit status 1 when any target found a fault.
# usage: fuzz/run.sh <build dir> [target...]
set -uo pipefail

build=$(cd "$1" && pwd)
shift
seeds=$(cd "$(dirname "$0")" && pwd)/corpus
seconds=${FUZZ_SECONDS:-60}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets <"$build/targets.txt"

failed=0
summary=()
for target in "${targets[@]}"; do
    work="$build/runs/$target"
    mkdir -p "$work/corpus" "$work/artifacts"
    mkdir -p "$seeds/$target"
    log="$work/last.log"
    echo "== fuzz_$target for ${seconds}s"
    "$build/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "$seeds/$target" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ $status -eq 0 ]; then
        outcome="no finding"
    else
        outcome="FINDING (exit $status), see $log and $work/artifacts/"
        failed=1
        grep -E "ERROR|check failed|SUMMARY|#0 |#1 |#2 |#3 " "$log" | head -12
    fi
    summary+=("$(printf '%-24s %12s executions  %s' "$target" "${runs:-?}" "$outcome")")
done
echo
printf '%s\n' "${summary[@]}"
exit $failed
