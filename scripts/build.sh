#!/usr/bin/env bash
# Configures and builds everything into build/ (ccache keeps rebuilds quick).
set -euo pipefail
cd "$(dirname "$0")/.."
build_type=${KV_BUILD_TYPE:-RelWithDebInfo}
if [[ ! -f build/build.ninja ]]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$build_type"
fi
cmake --build build -j"$(nproc)"
