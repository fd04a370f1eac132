#!/usr/bin/env bash
# Sets up, builds and starts the program: scripts/run.sh [song.mid]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
args=()
for a in "$@"; do
  # The program starts in its own folder's parent; keep relative song paths working.
  if [[ -e "$a" ]]; then args+=("$(realpath "$a")"); else args+=("$a"); fi
done
"$here/setup.sh"
"$here/build.sh"
exec "$here/../build/bin/kvpro" "${args[@]}"
