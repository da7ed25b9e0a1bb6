#!/usr/bin/env bash
# Runs every fuzz target built in BUILD_DIR for SECONDS each, starting from its seed corpus.
# A crash, leak or sanitizer report fails the run.
set -euo pipefail
build_dir=${1:?build directory}
seconds=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)

mapfile -t targets < <(grep -v "^$" "$build_dir/fuzz/targets.txt" 2>/dev/null || true)
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no targets yet"
  exit 0
fi

for target in "${targets[@]}"; do
  corpus="$here/corpus/$target"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$corpus"
  echo "fuzz: $target for ${seconds}s"
  "$build_dir/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$work/" "$work" "$corpus" >"$work/log" 2>&1 || {
      tail -n 60 "$work/log"
      echo "fuzz: $target FAILED"
      exit 1
    }
  grep -E '^Done [0-9]+ runs' "$work/log" || true
  rm -rf "$work"
  trap - EXIT
done
echo "fuzz: ${#targets[@]} target(s) passed"
