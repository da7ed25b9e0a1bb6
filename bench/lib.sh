# Shared by the benchmark scripts (sourced). Every side of a comparison is timed the same way: hyperfine runs the
# whole command (process start included) through the same shell, after one warm-up run that also fills the page
# cache, and the mean wall-clock time is used. Results go to QUELLSY_BENCH_RESULTS (when set) as tab-separated
# rows that run-benchmarks.sh turns into one table.

export PATH="$PATH:/usr/sbin:/sbin"
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cli=${QUELLSY_ENGINE_CLI:-$bench_root/build/release/tools/engine-cli/engine-cli}

need() {  # TOOL...: every tool must be there; ./quellsy.sh bench installs them
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (./quellsy.sh bench installs it)" >&2; exit 2; }
  done
}

# wall_seconds RUNS PREPARE COMMAND: mean wall-clock seconds of COMMAND over RUNS runs after one warm-up run.
# PREPARE (may be empty) runs before each run and is not timed. A failing COMMAND fails the benchmark.
wall_seconds() {
  local runs=$1 prepare=$2 command=$3 json
  json=$(mktemp)
  local args=(--style none --warmup 1 --runs "$runs" --export-json "$json")
  [ -n "$prepare" ] && args+=(--prepare "$prepare")
  hyperfine "${args[@]}" "$command" >/dev/null
  python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["results"][0]["mean"])' "$json"
  rm -f "$json"
}

# rate AMOUNT SECONDS: AMOUNT per second, one decimal.
rate() { python3 -c 'import sys; print(f"{float(sys.argv[1]) / float(sys.argv[2]):.1f}")' "$1" "$2"; }

# mb BYTES: the size in MB (10^6 bytes), the unit of every MB/s figure.
mb() { python3 -c 'import sys; print(int(sys.argv[1]) / 1e6)' "$1"; }

# record BENCHMARK FIGURE VALUE UNIT PEER PEER-VALUE [FOUND PEER-FOUND]: one row of the closing table. Higher
# values are better; FOUND says what each side actually found or read.
record() {
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "$5" "$6" "${7:--}" "${8:--}" \
    >>"${QUELLSY_BENCH_RESULTS:-/dev/null}"
  printf '%-40s %12s %-8s  %-28s %12s   found %s / %s\n' "$2" "$3" "$4" "$5" "$6" "${7:--}" "${8:--}"
}
