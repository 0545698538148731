#!/usr/bin/env bash
# Installs missing build packages, then configures, builds and tests each preset.
# Usage: scripts/test.sh [preset...]   (default: linux windows asan fuzz)
# The preset fuzz builds the libFuzzer target and runs it for a bounded time (JWW_FUZZ_SECONDS,
# default 90); scripts/fuzz.sh runs it longer.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then presets=(linux windows asan fuzz); fi

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev zlib1g-dev libgtest-dev googletest
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 xvfb xauth
)
scripts/install-deps.sh "${packages[@]}"

# wine wants a home folder even with its own prefix.
if [ -z "${HOME:-}" ]; then
  HOME="$(getent passwd "$(id -u)" | cut -d: -f6)"
  export HOME
fi

jobs="$(nproc 2>/dev/null || echo 2)"
start=$SECONDS
for preset in "${presets[@]}"; do
  if [ "$preset" = fuzz ]; then
    echo "== fuzz: build and a bounded run"
    scripts/fuzz.sh "${JWW_FUZZ_SECONDS:-90}"
    continue
  fi
  echo "== ${preset}: configure"
  cmake --preset "$preset"
  echo "== ${preset}: build"
  cmake --build --preset "$preset" -j "$jobs"
  echo "== ${preset}: test"
  ctest --preset "$preset" -j "$jobs"
done
echo "== all presets passed in $((SECONDS - start)) s"
