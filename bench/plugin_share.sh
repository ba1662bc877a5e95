#!/bin/sh
# Splits the instructions of the timed frames of one benchmark state between the plug-in and
# the host substitute, with callgrind: bench/plugin_share.sh BUILD_DIR STATE
# e.g. bench/plugin_share.sh build/perf visitBusyAtActivities
set -eu
build=$1
state=$2
out=$(mktemp /tmp/tamberwick-share-XXXXXX)
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
  "$build/bench/tamberwick_bench" --benchmark_filter="^$state\$" \
  --benchmark_min_time=0.05 --benchmark_format=csv >"$out.csv" 2>/dev/null
# The timed frames: the iterations column of the state's line.
iterations=$(awk -F, -v s="\"$state\"" '$1 == s { print $2 }' "$out.csv")
# Self cost by object, read from the raw profile: "ob=" names the object of the costs that
# follow ("cob=" may name it first); the line after "calls=" is a callee's inclusive cost
# and is skipped.
awk -v n="$iterations" '
  /^c?ob=/ {
    id = $1; sub(/^c?ob=/, "", id)
    if (NF > 1) { name = $NF; sub(/.*\//, "", name); names[id] = name }
    if ($0 ~ /^ob=/) obj = names[id]
    next
  }
  /^calls=/ { skip = 1; next }
  /^[0-9+*-]/ {
    if (skip) { skip = 0; next }
    ir = $2 + 0; total += ir; by[obj] += ir; next
  }
  END {
    for (o in by) if (by[o] > 0) printf "%-28s %10.0f instructions per frame (%4.1f%%)\n", o, by[o] / n, 100 * by[o] / total
    printf "%-28s %10.0f instructions per frame\n", "all", total / n
  }' "$out" | sort -k2 -n -r
rm -f "$out" "$out.csv"
