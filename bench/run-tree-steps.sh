#!/usr/bin/env bash
# Builds the tree-steps benchmark and runs it under Wine in the build folder's
# private environment, which it ends afterwards. Arguments go to the program
# (--entries 10000 --depth 5 --reps 3 --keep). BUILD_DIR chooses the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prepare.sh
tessaly_build "$BUILD_DIR" --target bench_tree_steps winekeepalive
trap 'tessaly_env_down "$BUILD_DIR/wine-test"' EXIT INT TERM
tools/wine-exec.sh "$BUILD_DIR/bin/bench_tree_steps.exe" "$@"
