#!/usr/bin/env bash
# The mutation run: applies each fault of faults.txt, one at a time, to a scratch copy of the
# source tree, rebuilds that copy incrementally and runs the tests against it, then puts the
# file back. A fault some test fails on is caught; one the whole suite passes is a survivor.
# The developer's tree is only read.
set -euo pipefail

usage() {
    cat <<'EOF'
usage: tests/mutation/run.sh [options]

Applies each fault of the fault list to a scratch copy of the source tree, one at a time:
rebuilds the copy incrementally, runs the fast tests (every ctest test but the long soak,
stopping at the first failure), then the CI-size soak, and restores the file. Prints and
writes a table of caught, survived and not-built faults with the first failing test, and the
score. The source tree itself is never written.

  --source DIR     source tree to copy (default: the tree this script belongs to)
  --work DIR       scratch directory: tree/, build/, logs/, summary.txt
                   (default: SOURCE/build/native/mutation)
  --faults FILE    fault list (default: SOURCE/tests/mutation/faults.txt)
  --only ID,...    run only these faults (the whole list is still checked)
  --hints FILE     a summary.txt of an earlier run (or lines "ID - caught - - TEST" with
                   TEST a test's full name or a test suite's): a fault it caught runs that
                   test first, and counts as caught when it fails again; the whole suite
                   runs only when it passes (a re-run after a change takes minutes)
  --check          check the list only: ids unique, every snippet found exactly once
  --jobs N         build and test jobs (default 2)
  --timeout S      seconds allowed to each test phase of one fault (default 600)
  --cmake-arg ARG  extra argument for configuring the scratch build (repeatable;
                   also --cmake-arg=ARG)
  -h, --help       this text

Exit status: 0 when every fault was built and tested; 1 when the list is invalid, the
unchanged tree fails its own tests, or a fault did not compile (a bad entry: fix the list).
EOF
}

die() {
    echo "mutation: $*" >&2
    exit 1
}

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$(cd "$here/../.." && pwd)"
work=""
faults=""
only=""
hints=""
check_only=0
jobs=2
phase_timeout=600
cmake_args=()

while [[ $# -gt 0 ]]; do
    case "$1" in
    --source) src="$(cd "$2" && pwd)"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --faults) faults="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --hints) hints="$2"; shift 2 ;;
    --check) check_only=1; shift ;;
    --jobs) jobs="$2"; shift 2 ;;
    --timeout) phase_timeout="$2"; shift 2 ;;
    --cmake-arg) cmake_args+=("$2"); shift 2 ;;
    --cmake-arg=*) cmake_args+=("${1#--cmake-arg=}"); shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; die "unknown option: $1" ;;
    esac
done
[[ -n "$work" ]] || work="$src/build/native/mutation"
[[ -n "$faults" ]] || faults="$src/tests/mutation/faults.txt"
[[ -f "$faults" ]] || die "no fault list at $faults"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
# The copy skips build/; a scratch directory elsewhere in the tree would copy itself.
case "$work/" in
"$src/build/"*) ;;
"$src/"*) die "--work must be outside the source tree or under its build/: $work" ;;
esac

tree="$work/tree"
build="$work/build"
logs="$work/logs"
summary="$work/summary.txt"

# ---- the fault list ----------------------------------------------------------------------
# Blocks of "key: value" lines separated by blank lines; '#' starts a comment line. The value
# is everything after the colon and the blanks that follow it.
ids=() files=() whats=() froms=() tos=()

add_fault() {
    local id="$1" file="$2" what="$3" from="$4" to="$5" has_to="$6" line="$7"
    [[ -n "$id$file$what$from$has_to" ]] || return 0
    [[ -n "$id" && -n "$file" && -n "$what" && -n "$from" && -n "$has_to" ]] ||
        die "$faults:$line: a fault needs id, file, what, from and to"
    [[ "$from" != "$to" ]] || die "$faults:$line: fault $id changes nothing"
    local known
    for known in "${ids[@]}"; do [[ "$known" != "$id" ]] || die "$faults:$line: fault id $id twice"; done
    ids+=("$id") files+=("$file") whats+=("$what") froms+=("$from") tos+=("$to")
}

read_faults() {
    local id="" file="" what="" from="" to="" has_to="" n=0 start=1 raw key value
    while IFS= read -r raw || [[ -n "$raw" ]]; do
        n=$((n + 1))
        if [[ -z "${raw//[[:space:]]/}" ]]; then
            add_fault "$id" "$file" "$what" "$from" "$to" "$has_to" "$start"
            id="" file="" what="" from="" to="" has_to="" start=$((n + 1))
            continue
        fi
        [[ "$raw" == \#* ]] && continue
        [[ "$raw" == *:* ]] || die "$faults:$n: expected 'key: value'"
        key="${raw%%:*}"
        value="${raw#*:}"
        value="${value#"${value%%[![:space:]]*}"}"
        case "$key" in
        id) id="$value" ;;
        file) file="$value" ;;
        what) what="$value" ;;
        from) from="$value" ;;
        to) to="$value" has_to=1 ;;
        *) die "$faults:$n: unknown key '$key'" ;;
        esac
    done <"$faults"
    add_fault "$id" "$file" "$what" "$from" "$to" "$has_to" "$start"
}

# A file's text exactly as stored, trailing newlines included.
file_text() {
    local t
    t="$(cat -- "$1"; printf x)"
    printf '%s' "${t%x}"
}

occurrences() {  # occurrences of $2 in $1, as literal text
    local rest="${1//"$2"/}"
    echo $(((${#1} - ${#rest}) / ${#2}))
}

check_faults() {
    local i bad=0 n text
    for i in "${!ids[@]}"; do
        if [[ ! -f "$src/${files[$i]}" ]]; then
            echo "mutation: fault ${ids[$i]}: no file ${files[$i]}" >&2
            bad=1
            continue
        fi
        text="$(file_text "$src/${files[$i]}")"
        n="$(occurrences "$text" "${froms[$i]}")"
        if [[ "$n" != 1 ]]; then
            echo "mutation: fault ${ids[$i]}: '${froms[$i]}' occurs $n times in ${files[$i]}, not once" >&2
            bad=1
        fi
    done
    [[ "$bad" == 0 ]] || die "the fault list no longer fits the code; fix the entries above"
}

read_faults
[[ ${#ids[@]} -gt 0 ]] || die "no faults in $faults"
check_faults
echo "mutation: ${#ids[@]} faults in ${faults#"$src/"}, every snippet found exactly once"
[[ "$check_only" == 0 ]] || exit 0

# The test that caught each fault in an earlier run, from its summary's table.
declare -A hinted=()
by_hint=0
if [[ -n "$hints" ]]; then
    [[ -f "$hints" ]] || die "--hints: no file $hints"
    while read -r h_id _ h_result _ _ h_test _; do
        [[ "$h_result" == caught && "$h_test" != \(* && "$h_test" != sim_soak* ]] || continue
        hinted[$h_id]="$h_test"
    done <"$hints"
fi

selected=()
if [[ -n "$only" ]]; then
    IFS=',' read -r -a wanted <<<"$only"
    for w in "${wanted[@]}"; do
        found=""
        for i in "${!ids[@]}"; do [[ "${ids[$i]}" != "$w" ]] || found="$i"; done
        [[ -n "$found" ]] || die "--only: no fault $w"
        selected+=("$found")
    done
else
    selected=("${!ids[@]}")
fi

# ---- the scratch tree --------------------------------------------------------------------
# Files that differ are copied with a fresh time stamp, so the incremental build sees them;
# files that are the same keep theirs. Files gone from the source go from the copy.
sync_tree() {
    local f
    mkdir -p "$tree"
    while IFS= read -r -d '' f; do
        if ! cmp -s -- "$src/$f" "$tree/$f"; then
            mkdir -p -- "$(dirname -- "$tree/$f")"
            cp -- "$src/$f" "$tree/$f"
        fi
    done < <(cd "$src" && find . \( -path ./build -o -path ./.git -o -path ./.cache \) -prune -o -type f -print0)
    while IFS= read -r -d '' f; do
        [[ -e "$src/$f" ]] || rm -f -- "$tree/$f"
    done < <(cd "$tree" && find . -type f -print0)
}

current=""  # index of the fault applied now, restored however the run ends
restore() {
    if [[ -n "$current" ]]; then
        cp -- "$src/${files[$current]}" "$tree/${files[$current]}"
        current=""
    fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

build_tree() {  # $1: log file
    cmake --build "$build" -j "$jobs" >"$1" 2>&1
}

failed_test() {  # the first test a ctest log shows as not passed
    sed -nE '/ Passed /d; s/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) .*/\1/p' "$1" | head -n 1
}

# Sets first_fail to the first failing test's name (empty when all passed). With $2, the
# test an earlier run caught this fault with runs alone first.
run_tests() {  # $1: log file, $2: hinted test (optional)
    local log="$1" hint="${2:-}" rc=0
    first_fail=""
    : >"$log"
    if [[ -n "$hint" ]]; then
        # A test's full name, or a test suite's name for all of its tests.
        local pattern="^${hint//./\\.}\$"
        [[ "$hint" == *.* ]] || pattern="^$hint\\."
        timeout "$phase_timeout" ctest --test-dir "$build" -R "$pattern" -j "$jobs" --stop-on-failure \
            --output-on-failure >>"$log" 2>&1 || rc=$?
        if [[ "$rc" != 0 && "$rc" != 124 ]]; then
            first_fail="$(failed_test "$log")"
            [[ -n "$first_fail" ]] || first_fail="$hint"
            by_hint=$((by_hint + 1))
            return
        fi
        rc=0
        echo "--- the hinted test $hint passed or was not found: the whole suite ---" >>"$log"
    fi
    # In the order they are declared, not longest first as ctest's cost record would have it,
    # and the whole runs (soak seeds, golden traces, the simulator's command line) after the
    # rest: with --stop-on-failure a caught fault then stops within seconds, not after the long
    # runs. The browser tests look at the report page, which no fault of the plug-in reaches alone.
    rm -f "$build/Testing/Temporary/CTestCostData.txt"
    local whole='^(SoakRunTest|HostFixedValues|WholeRunGolden|SimCli)\.|^sim_'
    timeout "$phase_timeout" ctest --test-dir "$build" -E "^sim_soak\$|$whole" -LE browser -j "$jobs" \
        --stop-on-failure --output-on-failure >>"$log" 2>&1 || rc=$?
    [[ "$rc" != 0 ]] || timeout "$phase_timeout" ctest --test-dir "$build" -R "$whole" -E '^sim_soak$' -j "$jobs" \
        --stop-on-failure --output-on-failure >>"$log" 2>&1 || rc=$?
    if [[ "$rc" == 124 ]]; then
        first_fail="(fast tests over ${phase_timeout} s)"
        return
    fi
    if [[ "$rc" != 0 ]]; then
        first_fail="$(failed_test "$log")"
        [[ -n "$first_fail" ]] || first_fail="(ctest failed, see the log)"
        return
    fi
    # The soak at the size the sanitizer builds and CI run it; the 200-seed one is for ctest.
    echo "--- soak ---" >>"$log"
    timeout "$phase_timeout" "$build/sim/tamberwick-sim" soak --seeds 16 --days 5 --first-seed 7000 \
        --jobs "$jobs" >>"$log" 2>&1 || rc=$?
    if [[ "$rc" == 124 ]]; then
        first_fail="sim_soak (over ${phase_timeout} s)"
    elif [[ "$rc" != 0 ]]; then
        first_fail="sim_soak (16 seeds x 5 days)"
    fi
}

run_start=$(date +%s)
mkdir -p "$logs"
echo "mutation: copying $src to $tree"
sync_tree
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    echo "mutation: configuring $build"
    cmake -S "$tree" -B "$build" -G Ninja "${cmake_args[@]}" >"$logs/configure.log" 2>&1 ||
        die "configuring the scratch build failed; see $logs/configure.log"
fi

echo "mutation: building and testing the unchanged tree"
t0=$(date +%s)
build_tree "$logs/baseline.build.log" || die "the unchanged tree does not build; see $logs/baseline.build.log"
t1=$(date +%s)
run_tests "$logs/baseline.test.log"
t2=$(date +%s)
[[ -z "$first_fail" ]] || die "the unchanged tree fails $first_fail; see $logs/baseline.test.log"
baseline_build=$((t1 - t0))
baseline_test=$((t2 - t1))
echo "mutation: baseline built in ${baseline_build} s, tested in ${baseline_test} s"

results=() notes=() build_secs=() test_secs=()
caught=0 survived=0 unbuilt=0
total_build=0
for i in "${selected[@]}"; do
    id="${ids[$i]}"
    target="$tree/${files[$i]}"
    text="$(file_text "$target")"
    current="$i"
    printf '%s' "${text/"${froms[$i]}"/"${tos[$i]}"}" >"$target"

    t0=$(date +%s)
    if build_tree "$logs/$id.build.log"; then
        t1=$(date +%s)
        run_tests "$logs/$id.test.log" "${hinted[$id]:-}"
        t2=$(date +%s)
        if [[ -n "$first_fail" ]]; then
            result="caught" note="$first_fail"
            caught=$((caught + 1))
        else
            result="SURVIVED" note="${whats[$i]}"
            survived=$((survived + 1))
        fi
    else
        t1=$(date +%s) t2="$t1"
        result="NOT BUILT" note="does not compile: fix the entry (logs/$id.build.log)"
        unbuilt=$((unbuilt + 1))
    fi
    restore
    total_build=$((total_build + t1 - t0))
    results[$i]="$result" notes[$i]="$note" build_secs[$i]=$((t1 - t0)) test_secs[$i]=$((t2 - t1))
    printf 'mutation: %-28s %-9s %s (build %d s, tests %d s)\n' "$id" "$result" "$note" $((t1 - t0)) $((t2 - t1))
done
run_end=$(date +%s)

tested=$((caught + survived))
score="n/a"
[[ "$tested" == 0 ]] || score="$((caught * 100 / tested)) %"
{
    echo "Mutation run of $(basename "$src") ($(date '+%Y-%m-%d %H:%M'))"
    echo
    printf '%-28s %-40s %-9s %6s %6s  %s\n' "fault" "file" "result" "build" "tests" "first failing test / the fault"
    for i in "${selected[@]}"; do
        printf '%-28s %-40s %-9s %5ss %5ss  %s\n' "${ids[$i]}" "${files[$i]}" "${results[$i]}" "${build_secs[$i]}" \
            "${test_secs[$i]}" "${notes[$i]}"
    done
    echo
    echo "caught $caught of $tested built faults ($score); survived $survived; not built $unbuilt"
    [[ -z "$hints" ]] || echo "hints from $hints: $by_hint caught by the test that caught them there"
    echo "baseline: build ${baseline_build} s, tests ${baseline_test} s; faults: build ${total_build} s in all;" \
        "wall time $((run_end - run_start)) s"
    if [[ "$survived" -gt 0 ]]; then
        echo
        echo "survivors:"
        for i in "${selected[@]}"; do
            [[ "${results[$i]}" != "SURVIVED" ]] || echo "  ${ids[$i]}: ${whats[$i]}"
        done
    fi
} >"$summary"
echo
cat "$summary"
echo "mutation: summary in $summary, logs in $logs"
[[ "$unbuilt" == 0 ]]
