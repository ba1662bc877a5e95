#!/usr/bin/env bash
# Builds every configuration and runs every test: the native build, the sanitizer build,
# and the Windows cross build (its checks run under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Formatting is part of the build's contract.
clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h')

# native: all tests; asan: all tests under AddressSanitizer + UBSan; tsan: the keyboard
# callback racing the script; fuzz: a short libFuzzer run per target; win: the shipped DLLs
# under Wine.
for preset in native asan tsan fuzz win; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null  # every preset builds with -Werror
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# The release once more, from a clone of this commit in another folder, compared byte for byte
# with build/win: the DLLs, the zips and the checksums file.
echo "=== reproducible ==="
bash scripts/repro-check.sh
