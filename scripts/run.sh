#!/usr/bin/env bash
# Builds the plug-in and the simulator and runs the default scenario: one whole visit at the
# ranch, shown as a timeline, with a report written to build/report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native
./build/native/sim/tamberwick-sim --report build/report "$@"
