#!/usr/bin/env bash
# Builds the libFuzzer target (preset fuzz) and runs it from the seed corpus in fuzz/corpus.
# Usage: scripts/fuzz.sh [seconds]   (default 3600)
# The corpus it grows is kept in build/fuzz/corpus between runs; an input that breaks a property
# is saved in build/fuzz/artifacts and belongs, once fixed, in fuzz/regressions.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-3600}"
jobs="$(nproc 2>/dev/null || echo 2)"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

work=build/fuzz/corpus
artifacts=build/fuzz/artifacts
mkdir -p "$work" "$artifacts"

status=0
build/fuzz/fuzz/jww_fuzz \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=32768 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" \
  "$work" fuzz/corpus fuzz/regressions || status=$?
if [ "$status" -ne 0 ]; then
  echo "== fuzz: failing input saved in $artifacts; once fixed, add it to fuzz/regressions" >&2
fi
exit "$status"
