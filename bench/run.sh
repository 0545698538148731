#!/usr/bin/env bash
# Times the conversion by jwwclean against cp of the same file: wall time and peak memory.
# Usage: bench/run.sh [--quick] [--reps N]
#   --quick   every drawing 16 times smaller, for a fast sanity run
#   --reps N  runs per measurement; the fastest wall time and the largest peak memory are kept (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."

div=1
reps=3
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) div=16 ;;
    --reps) reps="$2"; shift ;;
    *) echo "usage: bench/run.sh [--quick] [--reps N]" >&2; exit 2 ;;
  esac
  shift
done

if [ ! -x /usr/bin/time ]; then
  echo "bench: /usr/bin/time is missing (Debian package 'time')" >&2
  exit 1
fi

build=build/linux
if [ ! -f "$build/build.ninja" ]; then cmake --preset linux >/dev/null; fi
cmake --build --preset linux --target jwwclean jwwgen >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/jwwbench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
# jwwclean reads its settings file and keeps its working folder beside itself.
mkdir "$work/app"
cp "$build/src/app/jwwclean" samples/Oskavel.dat "$work/app/"
gen="$build/tools/jwwgen"

# measure CMD... : prints "<best wall seconds> <peak KiB>" over $reps runs. The wall time is
# taken around /usr/bin/time, whose own start costs the same for both commands.
measure() {
  local best="" peak=0 t m
  for ((r = 0; r < reps; r++)); do
    rm -f "$work/out.jww"
    local start=$EPOCHREALTIME
    /usr/bin/time -f "%M" -o "$work/time.txt" "$@" >/dev/null 2>&1 || true
    local end=$EPOCHREALTIME
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    read -r m < "$work/time.txt"
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best="$t"; fi
    if [ "$m" -gt "$peak" ]; then peak="$m"; fi
  done
  echo "$best $peak"
}

printf '%-26s %9s %8s %8s %9s %9s %8s %8s %8s\n' \
  drawing "size MB" "cp s" "cp MiB" "clean s" "clean MiB" "t ratio" "m ratio" "MB/s"

row() {  # row NAME JWWGEN-OPTIONS...
  local name="$1"; shift
  rm -f "$work/in.jww"
  "$gen" "$@" "$work/in.jww" >/dev/null
  local bytes; bytes=$(stat -c %s "$work/in.jww")
  local cp_t cp_m cl_t cl_m
  read -r cp_t cp_m < <(measure cp "$work/in.jww" "$work/out.jww")
  read -r cl_t cl_m < <(measure "$work/app/jwwclean" x y "$work/in.jww" "$work/out.jww")
  local status=""
  if [ ! -f "$work/out.jww" ]; then status="  (no output: conversion failed)"; fi
  awk -v n="$name" -v b="$bytes" -v ct="$cp_t" -v cm="$cp_m" -v lt="$cl_t" -v lm="$cl_m" -v s="$status" 'BEGIN {
    mb = b / 1e6
    tr = ct > 0 ? sprintf("%.1f", lt / ct) : "-"
    rate = lt > 0 ? sprintf("%.1f", mb / lt) : "-"
    printf "%-26s %9.2f %8.3f %8.1f %9.3f %9.1f %8s %8.1f %8s%s\n", n, mb, ct, cm / 1024, lt, lm / 1024, tr, lm / cm, rate, s
  }'
  rm -f "$work/in.jww" "$work/out.jww"
}

target=$((100 * 1000 * 1000 / div))
for part in 16 4 1; do
  size=$((target / part))
  label="1/$part"; [ "$part" -eq 1 ] && label="full"
  [ "$div" -ne 1 ] && label="$label quick"
  row "a mixed sjis $label" --seed 11 --version 600 --text-ratio 0.5 --zero-extent-every 10 --target-bytes "$size"
  row "b mixed utf16 $label" --seed 11 --version 600 --text-ratio 0.5 --zero-extent-every 10 --utf16 --target-bytes "$size"
  row "c blocks $label" --seed 12 --version 600 --blocks $((20000 / div / part)) --nest-depth 5 \
      --entities $((20000 / div / part)) --zero-extent-every 10
  row "d images $label" --seed 13 --version 700 --images 200 --image-bytes $((target / part / 200)) \
      --entities $((2000 / div / part + 200)) --zero-extent-every 10
done
row "e small 1 MB" --seed 14 --version 600 --text-ratio 0.5 --target-bytes 1000000
echo "size MB = 10^6 bytes; times are the best of $reps runs and include process start;"
echo "ratios are jwwclean / cp."
