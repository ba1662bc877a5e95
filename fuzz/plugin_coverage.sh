#!/usr/bin/env bash
# The share of the plug-in's branches a corpus of the host-answers fuzzer reaches: replays
# every input once (-runs=0) and prints the module's edges reached of its total, then the
# plug-in's functions per source file (edges reached / edges) from libFuzzer's coverage list.
# Usage: plugin_coverage.sh <build dir> <corpus folder>...
set -euo pipefail
build=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$build/fuzz/fuzz_host_answers" -runs=0 -print_coverage=1 "$@" >"$out" 2>&1
grep '^plug-in edges reached' "$out"
# COVERED_FUNC: hits: 5 edges: 3/7 name /path/src/visit/file.cpp:12 (inline copies of the
# plug-in's header functions in the host are counted here too)
awk '/_FUNC: / && / \/[^ ]*\/src\// {
       split($5, e, "/"); n = split($NF, p, ":"); file = p[1]; sub(/.*\/src\//, "src/", file)
       got[file] += e[1]; all[file] += e[2] }
     END { for (f in all) printf "%5d / %5d  %5.1f %%  %s\n", got[f], all[f], 100 * got[f] / all[f], f }' "$out" | sort -k5
