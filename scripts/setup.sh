#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, run and test.
# Quick when everything is already there: apt is only asked when a package
# is missing. With --dev it also installs the fuzzing and benchmark tools.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6printsupport6 qt6-qpa-plugins
  libgtest-dev libgmock-dev libbenchmark-dev
  librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
  libfluidsynth-dev timgm6mb-soundfont fonts-liberation2
  xvfb xauth python3 python3-mido
)
if [[ "${1:-}" == "--dev" ]]; then
  packages+=(clang libclang-rt-14-dev libsmf-dev hyperfine imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

# As root apt-get runs directly; otherwise through sudo, keeping the
# non-interactive front end (jackd2 would otherwise ask about real-time use).
as_root=(env DEBIAN_FRONTEND=noninteractive)
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo DEBIAN_FRONTEND=noninteractive)
fi
echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
