#!/usr/bin/env bash
# Runs both fuzz targets side by side, each on its own core at low priority (the machine is
# shared), each seeded with the repository's corpus and growing its own in the build folder.
# Usage: fuzz_long.sh <build dir> <source dir> [seconds per target, default 3600]
# Prints each run's final figures; the logs stay in <build dir>/fuzz-long/.
set -uo pipefail
build=$1 source=$2 seconds=${3:-3600}
logs=$build/fuzz-long
mkdir -p "$logs"

pids=()
declare -A timeout=([fuzz_profile_reader]=10 [fuzz_host_answers]=60)  # as in CMakeLists.txt
for target in fuzz_profile_reader fuzz_host_answers; do
  mkdir -p "$build/corpus/$target"
  nice -n 10 "$build/fuzz/$target" -max_total_time="$seconds" -timeout="${timeout[$target]}" -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$build/" \
    "$build/corpus/$target" "$source/fuzz/corpus/$target" >"$logs/$target.log" 2>&1 &
  pids+=($!)
done

status=0
for i in 0 1; do wait "${pids[$i]}" || status=1; done
for target in fuzz_profile_reader fuzz_host_answers; do
  echo "== $target (log: $logs/$target.log)"
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::|plug-in edges|==[0-9]+==ERROR|SUMMARY)' "$logs/$target.log"
done
exit $status
