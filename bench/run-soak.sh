#!/usr/bin/env bash
# Builds the soak and runs it under Wine in the build folder's private
# environment, which it ends afterwards: about five minutes.
# Arguments go to the program (--cycles 200). BUILD_DIR chooses the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prepare.sh
tessaly_build "$BUILD_DIR" --target bench_soak foreignwindow winekeepalive
trap 'tessaly_env_down "$BUILD_DIR/wine-test"' EXIT INT TERM
tools/wine-exec.sh "$BUILD_DIR/bin/bench_soak.exe" "$@"
