# Sourced by run.sh and test.sh from the repository root: installs what is
# missing, then gives tessaly_build and the Wine environment's functions.
tools/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
source tools/build.sh
source tools/winenv.sh
