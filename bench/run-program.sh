#!/usr/bin/env bash
# Builds Tessaly, the baseline tray program and the program benchmark, and
# runs it under Wine in the build folder's private environment, which it
# ends afterwards. Arguments go to the benchmark (--idle 60 --cycles 50).
# BUILD_DIR chooses the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prepare.sh
tessaly_build "$BUILD_DIR" --target tessaly bench_program bench_baseline winekeepalive
trap 'tessaly_env_down "$BUILD_DIR/wine-test"' EXIT INT TERM
tools/wine-exec.sh "$BUILD_DIR/bin/bench_program.exe" "$@"
