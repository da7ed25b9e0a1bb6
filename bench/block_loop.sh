#!/usr/bin/env bash
# Block-loop benchmark over one image of pattern bytes (512 MiB unless IMAGE_MIB says otherwise):
# - in one process (block_loop_bench, Google Benchmark, wall clock): the raw-read routine, the read-ahead device
#   and the whole complete scan with searchers that only count, each against a plain sequential read; every one
#   counts the bytes it actually read and fails on a short read;
# - as whole commands (bench/lib.sh): engine-cli's complete scan with no searcher against cat over the same image.
#
# usage: bench/block_loop.sh [WORK_DIR] [IMAGE_MIB=512]
# Needs the release build (build/release, or QUELLSY_BENCH_BUILD) and hyperfine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
mib=${2:-512}
build=${QUELLSY_BENCH_BUILD:-$bench_root/build/release}
bench=$build/bench/block_loop_bench
need python3 hyperfine "$cli" "$bench"

mkdir -p "$work"
image=$work/pattern-${mib}m.img
if [ "$(stat -c %s "$image" 2>/dev/null || echo 0)" -ne $((mib << 20)) ]; then
  echo "making $image"
  python3 - "$image" "$mib" <<'PY'
import random, sys
image, mib = sys.argv[1], int(sys.argv[2])
rng = random.Random(12345)
with open(image, "wb") as out:
    for _ in range(mib // 4):
        out.write(rng.randbytes(4 << 20))
PY
fi

QUELLSY_BENCH_IMAGE=$image "$bench" --benchmark_format=json --benchmark_out="$work/block_loop.json" \
  --benchmark_out_format=json >/dev/null
# A benchmark that failed (short read, open failure, scan failure) fails the run with its message.
python3 - "$work/block_loop.json" "$image" <<'PY' | while IFS=$'\t' read -r name ours peer read; do
import json, os, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
size = os.path.getsize(sys.argv[2])
failed = [f'{r["name"]}: {r.get("error_message", "")}' for r in runs if r.get("error_occurred")]
if failed:
    sys.exit("block_loop_bench failed: " + "; ".join(failed))
def short(name):  # "BM_RawReadRoutine/12/min_time:1.000/real_time" -> "RawReadRoutine/12"
    return "/".join(p for p in name.removeprefix("BM_").split("/") if p != "real_time" and not p.startswith("min_time"))
runs = [r for r in runs if not r["name"].startswith("WarmUp")]
for r in runs:
    if int(r["bytes_read"]) != size:
        sys.exit(f'{r["name"]} read {int(r["bytes_read"])} of {size} bytes an iteration')
rates = {short(r["name"]): r["bytes_per_second"] / 1e6 for r in runs}
peer = rates.pop("PlainSequentialRead")
for name, value in rates.items():
    print(f"{name}\t{value:.1f}\t{peer:.1f}\t{size}")
PY
  record "Block loop, in process ($mib MiB)" "$name" "$ours" MB/s "plain sequential read" "$peer" "$read bytes" "$read bytes"
done

megabytes=$(mb "$(stat -c %s "$image")")
scan_seconds=$(wall_seconds 5 "" "'$cli' complete '$image' --searchers none --json > '$work/none.json'")
cat_seconds=$(wall_seconds 5 "" "cat '$image' > /dev/null")
scanned=$(tail -n 1 "$work/none.json" | python3 -c 'import json, sys; print(json.load(sys.stdin)["bytes_scanned"])')
record "Block loop, whole command ($mib MiB)" "engine-cli complete --searchers none" "$(rate "$megabytes" "$scan_seconds")" \
  MB/s "cat" "$(rate "$megabytes" "$cat_seconds")" "$scanned bytes" "$(stat -c %s "$image") bytes"
