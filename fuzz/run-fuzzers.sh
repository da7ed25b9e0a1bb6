#!/usr/bin/env bash
# Runs every fuzz target built in BUILD_DIR for SECONDS each, starting from its seed corpus, JOBS targets at a time
# (the processor count unless given). A crash, leak or sanitizer report fails the run.
set -euo pipefail
build_dir=${1:?build directory}
seconds=${2:-5}
jobs=${3:-$(nproc 2>/dev/null || echo 2)}
here=$(cd "$(dirname "$0")" && pwd)

mapfile -t targets < <(grep -v "^$" "$build_dir/fuzz/targets.txt" 2>/dev/null || true)
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no targets yet"
  exit 0
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# One target into its own folder; the log says how it went, and the status file whether it passed.
run_target() {
  local target=$1 work="$logs/$1"
  local corpus="$here/corpus/$target"
  # The engine's log goes into the target's folder, not into the user's state folder.
  mkdir -p "$work/new" "$work/state" "$corpus"
  if XDG_STATE_HOME="$work/state" "$build_dir/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$work/" "$work/new" "$corpus" >"$work/log" 2>&1; then
    echo passed >"$work/status"
  else
    echo failed >"$work/status"
  fi
}

running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
wait

failed=0
for target in "${targets[@]}"; do
  work="$logs/$target"
  echo "fuzz: $target for ${seconds}s"
  if [ "$(cat "$work/status" 2>/dev/null)" = passed ]; then
    grep -E '^Done [0-9]+ runs' "$work/log" || true
  else
    tail -n 60 "$work/log" 2>/dev/null || true
    echo "fuzz: $target FAILED"
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ] || exit 1
echo "fuzz: ${#targets[@]} target(s) passed"
