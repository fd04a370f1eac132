#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite; exits non-zero on any failure.
# Extra arguments go to ctest, e.g. scripts/test.sh -R ToNote
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh"
"$here/build.sh"
cd "$here/../build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
