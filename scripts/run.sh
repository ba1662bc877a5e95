#!/usr/bin/env bash
# Builds the simulator and the two plug-in modules it loads, nothing else (scripts/test.sh
# builds the tests), and runs the default scenario: one whole visit at the ranch, shown as a
# timeline, with a report written to build/report (map.svg, timeline.svg, replay.html).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target tamberwick-sim  # it depends on tamberwick and tamberwick_dev
./build/native/sim/tamberwick-sim --report build/report "$@"
