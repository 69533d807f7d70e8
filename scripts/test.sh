#!/usr/bin/env bash
# Sets up what the machine lacks, builds Tesvanor and runs the whole test suite:
# every test in the normal build, then every test again in an
# AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan).
# --quick skips the sanitizer pass.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup-deps.sh"
"$top/scripts/build.sh" "$top/build"
ctest --test-dir "$top/build" --output-on-failure -j2

if [[ "${1:-}" != "--quick" ]]; then
  "$top/scripts/build.sh" "$top/build-asan" -DTESVANOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp" \
    ctest --test-dir "$top/build-asan" --output-on-failure -j2
fi
