#!/usr/bin/env bash
# Sets up what the machine lacks, builds Tesvanor and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup-deps.sh"
"$top/scripts/build.sh" "$top/build"
exec "$top/build/src/cli/tesvanor-cli" "${@:-help}"
