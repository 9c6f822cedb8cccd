#!/usr/bin/env bash
# Installs what building and testing Mossbloom needs, and only what is missing.
# Idempotent and quick when everything is present.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine64 wine xvfb xauth libgl1-mesa-dri libxcomposite1 fonts-dejavu-core
  ntfs-3g attr imagemagick zlib1g-dev
  hyperfine gdu
  clang-14 libclang-rt-14-dev libfuzzer-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
