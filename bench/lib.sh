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

# per_second MILLISECONDS: how many of a thing that takes that long fit in a second, one decimal.
per_second() { python3 -c 'import sys; print(f"{1000 / max(float(sys.argv[1]), 0.001):.1f}")' "$1"; }

# tsv_value FILE KEY: the value of KEY in a file of KEY<tab>VALUE lines (what the UI benchmark programs print).
tsv_value() { awk -F'\t' -v key="$2" '$1 == key { print $2 }' "$1"; }

# mb BYTES: the size in MB (10^6 bytes), the unit of every MB/s figure.
mb() { python3 -c 'import sys; print(int(sys.argv[1]) / 1e6)' "$1"; }

# pairs NAME=COMMAND...: the commands timed interleaved (bench/pairs.py: QUELLSY_BENCH_RUNS rounds, default 5,
# pinned to QUELLSY_BENCH_CPUS when set); one JSON object of median wall and processor seconds and peak memory.
pairs() {
  local args=(--runs "${QUELLSY_BENCH_RUNS:-5}")
  [ -n "${QUELLSY_BENCH_CPUS:-}" ] && args+=(--cpus "$QUELLSY_BENCH_CPUS")
  python3 "$bench_root/bench/pairs.py" "${args[@]}" "$@"
}

# field JSON KEY...: one value out of pairs' JSON, e.g. field "$json" ours wall.
field() { python3 -c 'import json, sys; v = json.loads(sys.argv[1])
for k in sys.argv[2:]: v = v[k]
print(v)' "$@"; }

# The last figures of every benchmark (bench/run-benchmarks.sh writes them after a run): a run prints each change.
baseline=${QUELLSY_BENCH_BASELINE:-$bench_root/bench/baseline.tsv}

# record BENCHMARK FIGURE VALUE UNIT PEER PEER-VALUE [FOUND PEER-FOUND]: one row of the closing table. Higher
# values are better; FOUND says what each side actually found or read.
record() {
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "$5" "$6" "${7:--}" "${8:--}" \
    >>"${QUELLSY_BENCH_RESULTS:-/dev/null}"
  local before=
  [ -f "$baseline" ] && before=$(awk -F'\t' -v b="$1" -v f="$2" -v p="$5" '$1 == b && $2 == f && $5 == p {print $3 " (peer " $6 ")"}' \
    "$baseline" 2>/dev/null | tail -n 1)
  printf '%-40s %12s %-8s  %-28s %12s   found %s / %s   before %s\n' "$2" "$3" "$4" "$5" "$6" "${7:--}" "${8:--}" \
    "${before:-none}"
}

# complete_image WORK_DIR MIB FILES: the complete scan's image of MIB MiB (bench/complete_scan.sh), made once in
# WORK_DIR and kept while the makers stay the same; prints its path. Every maker in bench/corpus/ (or those
# QUELLSY_BENCH_MAKERS names) takes turns by its weight, so the same makers always give the same files
# (bench/corpus/assemble.py); random bytes between the files.
complete_image() {
  local work=$1 mib=$2 count=$3 corpus
  corpus=$( (echo "${QUELLSY_BENCH_MAKERS:-all}"; cat "$bench_root"/bench/corpus/*.sh "$bench_root"/bench/corpus/maker.bash) |
    md5sum | cut -c1-8)
  local files=$work/files-$corpus image=$work/complete-${mib}m-$count-$corpus.img
  if [ ! -s "$image.manifest" ] || [ "$(stat -c %s "$image" 2>/dev/null || echo 0)" -ne $((mib << 20)) ]; then
    echo "making $count files in $files and assembling $image ($mib MiB)" >&2
    python3 "$bench_root/bench/corpus/assemble.py" "$image" --files "$files" --count "$count" \
      --makers "${QUELLSY_BENCH_MAKERS:-}" --mib "$mib" --gaps random >&2 ||
      { rm -f "$image.manifest"; return 2; }
  fi
  echo "$image"
}
