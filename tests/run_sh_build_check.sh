#!/usr/bin/env bash
# scripts/run.sh builds the simulator and the plug-in modules it loads, and not the tests: runs
# it with a stand-in cmake that only notes what it is asked to do, then asks ninja what each
# build it asked for takes.
#   run_sh_build_check.sh SOURCE_DIR BUILD_DIR NINJA
set -uo pipefail
src=$1 build=$2 ninja=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s/calls"\n' "$work" > "$work/cmake"
chmod +x "$work/cmake"

# The simulator it runs at the end only prints its help; whether that runs is not checked here.
PATH="$work:$PATH" bash "$src/scripts/run.sh" --help > "$work/out" 2>&1
fail() { echo "run.sh: $*"; exit 1; }

builds=$(grep -e '--build' "$work/calls" 2>/dev/null) || { cat "$work/out"; fail "builds nothing"; }
while read -r line; do
  targets=$(echo "$line" | grep -oE -- '(--target|-t) +[^ ]+' | awk '{print $2}')
  [ -n "$targets" ] || fail "builds the whole preset: cmake $line"
  # shellcheck disable=SC2086  # one argument per target
  "$ninja" -C "$build" -t commands $targets > "$work/commands" || fail "ninja knows no target of: cmake $line"
  for needed in libtamberwick.so libtamberwick_dev.so sim/tamberwick-sim; do
    grep -q -- "-o [^ ]*$needed\b" "$work/commands" || fail "cmake $line does not build $needed"
  done
  if grep -oE -- "-o [^ ]*(tests/tamberwick_tests|tamberwick_bench|fuzz_[a-z_]+)( |$)" "$work/commands" | sort -u | grep .; then
    fail "cmake $line builds the tests, the benchmarks or the fuzzers too"
  fi
done <<< "$builds"
echo "run.sh builds: $(echo "$builds" | tr '\n' ';')"
