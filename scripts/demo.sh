#!/usr/bin/env bash
# Converts the sample drawing with jwwclean and prints a summary before and after.
# Usage: scripts/demo.sh [drawing.jww]   (default: samples/sample.jww)
set -euo pipefail
cd "$(dirname "$0")/.."

input="${1:-samples/sample.jww}"
build=build/linux
if [ ! -f "$build/build.ninja" ]; then cmake --preset linux >/dev/null; fi
cmake --build --preset linux --target jwwclean jwwsummary >/dev/null

# The program keeps its settings file and its working folder beside itself: run a copy.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$build/src/app/jwwclean" samples/Oskavel.dat "$work/"

echo "== before: $input ($(stat -c %s "$input") bytes)"
"$build/tools/jwwsummary" "$input"
set +e
"$work/jwwclean" x y "$input" "$work/out.jww"
status=$?
set -e
if [ ! -f "$work/out.jww" ]; then
  echo "== conversion failed (exit status $status): no output file"
  exit 1
fi
echo "== after: out.jww ($(stat -c %s "$work/out.jww") bytes, exit status $status)"
"$build/tools/jwwsummary" "$work/out.jww"
