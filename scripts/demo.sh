#!/usr/bin/env bash
# Converts a sample drawing with jwwclean and shows what the conversion changed.
# Usage: scripts/demo.sh [drawing.jww]   (default: samples/sample.jww)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh cmake ninja-build g++ zlib1g-dev libgtest-dev

input="${1:-samples/sample.jww}"
build=build/linux
if [ ! -f "$build/build.ninja" ]; then cmake --preset linux >/dev/null; fi
cmake --build --preset linux --target jwwclean jwwinfo >/dev/null

# The program keeps its settings file and its working folder beside itself: run a copy.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$build/src/app/jwwclean" samples/Oskavel.dat "$work/"

echo "== before: $input"
"$build/src/info/jwwinfo" "$input"
set +e
"$work/jwwclean" x y "$input" "$work/out.jww"
status=$?
set -e
if [ ! -f "$work/out.jww" ]; then
  echo "== conversion failed (exit status $status): no output file"
  exit 1
fi
echo
echo "== what the conversion changed (jwwinfo --diff):"
"$build/src/info/jwwinfo" --diff "$input" "$work/out.jww"
