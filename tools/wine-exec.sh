#!/usr/bin/env bash
# Runs a test executable under Wine in the private test environment of the
# build folder it belongs to (build/bin/x.exe -> build/wine-test).
set -euo pipefail
exe=$1; shift
bindir=$(cd "$(dirname "$exe")" && pwd)
source "$(dirname "$0")/winenv.sh"
tessaly_env_up "$bindir/../wine-test" "$bindir/winekeepalive.exe"
exec wine "$exe" "$@"
