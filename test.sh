#!/usr/bin/env bash
# Builds Tessaly and every test, then runs the tests under Wine on a private
# virtual desktop. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")"
source tools/prepare.sh
tessaly_build "$BUILD_DIR"
trap 'tessaly_env_down "$BUILD_DIR/wine-test"' EXIT
trap 'exit 130' INT TERM
tessaly_env_up "$BUILD_DIR/wine-test" "$BUILD_DIR/bin/winekeepalive.exe"
ctest --test-dir "$BUILD_DIR" --output-on-failure "$@"
