#!/usr/bin/env bash
# The release built a second time and compared byte for byte with build/win: a clone of this
# checkout's commit in another folder (build/repro/tamberwick), built later, in another time
# zone and with another umask, must give the same tamberwick.asi, tamberwick-dev.asi, debug
# files, zips and checksums file. Only what ships is built the second time (the target
# release_zips: both DLLs, both zips, the checksums).
#
#   bash scripts/repro-check.sh    after the win preset is built (scripts/test.sh runs it)
set -euo pipefail
cd "$(dirname "$0")/.."

first=build/win
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "repro-check: the checkout has uncommitted changes, which a clone of its commit cannot rebuild;"
  echo "repro-check: commit them to compare (nothing was compared)"
  echo "reproducible: 0 passed, 0 failed, 1 skipped"
  exit 0
fi
commit=$(git rev-parse HEAD)
built=$(sed -n 's/^set(TW_COMMIT "\(.*\)")$/\1/p' "$first/generated/tamberwick_commit.cmake" 2>/dev/null || true)
if [ "$built" != "${commit:0:12}" ]; then
  echo "repro-check: $first is built from commit '${built:-nothing}', not ${commit:0:12}: build the win preset first" >&2
  exit 1
fi

second=build/repro/tamberwick
rm -rf build/repro
mkdir -p build/repro
git clone -q --no-checkout . "$second"
git -C "$second" checkout -q --detach "$commit"

start=$(date +%s)
(
  cd "$second"
  umask 0002
  export TZ=Pacific/Kiritimati  # UTC+14: a time taken from the local clock shows
  cmake --preset win >/dev/null
  cmake --build --preset win --target release_zips >/dev/null
)
took=$(($(date +%s) - start))
echo "repro-check: the second build ($second, commit ${commit:0:12}) took ${took} s"

passed=0
failed=0
for f in "$first"/dist/*.asi "$first"/dist/*.asi.debug "$first"/*.zip "$first"/*-SHA256SUMS.txt; do
  rel=${f#"$first"/}
  if cmp "$f" "$second/$first/$rel"; then
    echo "same bytes: $rel ($(stat -c %s "$f") bytes)"
    passed=$((passed + 1))
  else
    echo "DIFFERENT:  $rel: built twice from one commit, it differs (cmp above)"
    failed=$((failed + 1))
  fi
done
echo "reproducible: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
