# Shared by run.sh and test.sh: configure (once) and build into $BUILD_DIR.
tessaly_build() {
  local build=$1; shift
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  fi
  cmake --build "$build" -j"$(nproc)" "$@"
}
