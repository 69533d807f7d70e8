#!/usr/bin/env bash
# Configures and builds Tesvanor with Ninja into the folder given (default: build).
# Extra arguments go to CMake's configure step.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$top/build"}
shift || true
cmake -S "$top" -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
