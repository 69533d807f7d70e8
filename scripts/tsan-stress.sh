#!/usr/bin/env bash
# Builds the stress test with ThreadSanitizer into the folder given (default:
# build-tsan) and runs it: eight conversions paused, resumed and stopped at
# random, then converters dropped while they run. Not part of test.sh (the
# build takes long on two cores); run it after changing the engine's threads.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$top/build-tsan"}
flags="-fsanitize=thread -O1 -g"
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
  >/dev/null
cmake --build "$dir" --target stress_tests
QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="suppressions=$top/scripts/tsan.supp halt_on_error=1" \
  "$dir/tests/engine/stress_tests"
