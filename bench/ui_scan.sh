#!/usr/bin/env bash
# The results window during a scan on the real bridge (ui_scan_bench, the program's own start-up, on an X server
# of its own: Xvfb with openbox), on the quick-scan benchmark's FAT32 volume of FILES files (bench/quick_scan.sh
# makes it; quick scan) and on the complete-scan benchmark's image of MIB MiB (bench/complete_scan.sh makes it;
# complete scan), each attached read-only to a loop device as a user's image would be. Figures, the median of
# QUELLSY_BENCH_RUNS (3) runs, beside their goals:
#   the GUI thread's longest stall and its 99th percentile (the lateness of a 16 ms timer) during the scan and
#   the second after its trees, against 100 ms and 20 ms, and how much of them was the GUI thread's own work
#   (its processor time between two ticks; the rest is other threads and programs on a busy machine);
#   the time from the scan's start to the first rows shown (no goal; beside it when the bridge's path tree had
#   its first folder, and the scan's own time);
#   the time from the scan's end to the full trees shown, against 1 s;
#   peak memory (max RSS) against 1.5 times the engine harness's (engine-cli quick|complete on the same loop
#   device, GNU time), and beside it the peak of its anonymous part.
# Figures are recorded as rates or limits so that higher is better, like every other row of the table. Without
# root or loop devices it says so and records nothing.
#
# usage: bench/ui_scan.sh [WORK_DIR] [FILES=100000] [MIB=2048] [COMPLETE_FILES=1000]
# The images are kept in WORK_DIR/quick and WORK_DIR/complete, where the other benchmarks keep them.
# Needs the release build (build/release, or QUELLSY_BENCH_BUILD), xvfb-run, losetup and GNU time; openbox
# when installed.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

work=${1:-$(mktemp -d)}
files=${2:-100000}
mib=${3:-2048}
complete_files=${4:-1000}
runs=${QUELLSY_BENCH_RUNS:-3}
build=${QUELLSY_BENCH_BUILD:-$bench_root/build/release}
bench=$build/bench/ui_scan_bench
need python3 xvfb-run losetup /usr/bin/time "$bench" "$cli"
mkdir -p "$work/ui-scan"
out=$work/ui-scan

if [ "$(id -u)" != 0 ]; then
  echo "ui_scan.sh: skipped: attaching the images to loop devices needs root" >&2
  exit 0
fi

QUELLSY_BENCH_IMAGES_ONLY=1 "$bench_root/bench/quick_scan.sh" fat32 "$work/quick" "$files"
fat=$work/quick/fat32-$files.img
complete=$(complete_image "$work/complete" "$mib" "$complete_files")

# The windows keep their settings in a home of their own, the same first run every time.
home=$(mktemp -d)
loop=
cleanup() {
  [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT

# window MODE DEVICE OUT: one run of the results window scanning DEVICE, its figures in OUT.
window() {
  HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    sh -c 'command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & }; exec "$@"' sh "$bench" "$1" "$2" >"$3"
}

# median NAME FILE...: the median of one figure over the runs' files.
median() {
  local name=$1
  shift
  for file in "$@"; do tsv_value "$file" "$name"; done |
    python3 -c 'import statistics, sys; print(statistics.median(float(line) for line in sys.stdin))'
}

# harness_rss MODE IMAGE: the engine harness's peak memory in KiB on the same scan.
harness_rss() {
  /usr/bin/time -v -o "$out/time.txt" "$cli" "$1" "$2" --json >/dev/null 2>&1 || true
  awk -F': ' '/Maximum resident/ {print $2}' "$out/time.txt"
}

mib_of() { python3 -c 'import sys; print(round(float(sys.argv[1]) / 1024))' "$1"; }

verdict() { python3 -c 'import sys; print("met" if float(sys.argv[1]) <= float(sys.argv[2]) else "MISSED")' "$1" "$2"; }

# measure MODE IMAGE TITLE
measure() {
  local mode=$1 image=$2 title=$3
  if ! loop=$(losetup -f --show -r "$image" 2>"$out/losetup.txt"); then
    echo "ui_scan.sh: skipped $title: no loop device ($(cat "$out/losetup.txt"))" >&2
    loop=
    return
  fi
  local results=()
  for run in $(seq "$runs"); do
    window "$mode" "$loop" "$out/$mode-$run.tsv"
    results+=("$out/$mode-$run.tsv")
  done
  # The harness reads the same loop device the window read: a block device and an image file are read differently.
  local harness stall p99 first scan trees rss limit
  harness=$(harness_rss "$mode" "$loop")
  losetup -d "$loop"
  loop=
  stall=$(median stall_max_ms "${results[@]}")
  p99=$(median stall_p99_ms "${results[@]}")
  first=$(median first_rows_ms "${results[@]}")
  scan=$(median scan_ms "${results[@]}")
  trees=$(median trees_after_end_ms "${results[@]}")
  rss=$(median rss_peak_kib "${results[@]}")
  limit=$(python3 -c 'import sys; print(round(1.5 * float(sys.argv[1])))' "$harness")
  local found
  found="$(tsv_value "${results[0]}" files) files, $(tsv_value "${results[0]}" folders) folders"
  echo "$title, median of $runs runs ($found; load $(cut -d' ' -f1-3 /proc/loadavg)):"
  printf '  longest GUI stall      %8.1f ms   goal at most 100 ms: %s\n' "$stall" "$(verdict "$stall" 100)"
  printf '  99th percentile stall  %8.1f ms   goal under 20 ms: %s\n' "$p99" "$(verdict "$p99" 20)"
  echo "  the GUI thread's own work between two ticks: longest $(median work_max_ms "${results[@]}") ms, 99th" \
    "percentile $(median work_p99_ms "${results[@]}") ms (the rest of a stall is the machine's other work)"
  printf '  scan to first rows     %8.0f ms   (in the bridge'"'"'s path tree at %.0f ms; the scan took %.0f ms)\n' \
    "$first" "$(median bridge_first_rows_ms "${results[@]}")" "$scan"
  printf '  scan end to full trees %8.0f ms   goal within 1000 ms: %s\n' "$trees" "$(verdict "$trees" 1000)"
  # What the GUI thread did in the longest stall of all runs: its own work, waits or a processor given away.
  local worst
  worst=$(for file in "${results[@]}"; do echo "$(tsv_value "$file" stall_max_ms) $file"; done | sort -g | tail -n 1 |
    cut -d' ' -f2)
  printf '  the longest stall of the runs: %s ms ending %s ms after the start; the GUI thread worked %s ms of it,\n' \
    "$(tsv_value "$worst" stall_max_ms)" "$(tsv_value "$worst" stall_max_at_ms)" \
    "$(tsv_value "$worst" stall_max_cpu_ms)"
  printf '    waited %s times and lost its processor %s times\n' "$(tsv_value "$worst" stall_max_waits)" \
    "$(tsv_value "$worst" stall_max_preempted)"
  printf '  peak memory            %8s MiB  goal at most 1.5 x the harness %s MiB = %s MiB: %s\n' \
    "$(mib_of "$rss")" "$(mib_of "$harness")" "$(mib_of "$limit")" "$(verdict "$rss" "$limit")"
  printf '  of it anonymous        %8s MiB  (heap, stacks, read buffers; the rest is mapped files: libraries, fonts,\n' \
    "$(mib_of "$(median anon_peak_kib "${results[@]}")")"
  echo "    and the display's shared memory)"
  record "$title" "GUI stalls per second (longest)" "$(per_second "$stall")" "1/s" "the 100 ms limit" 10 "$found" "-"
  record "$title" "GUI stalls per second (99th percentile)" "$(per_second "$p99")" "1/s" "the 20 ms limit" 50 \
    "$found" "-"
  record "$title" "first rows per second of scan" "$(per_second "$first")" "1/s" "whole scans per second" \
    "$(per_second "$scan")" "$found" "-"
  record "$title" "full trees per second after the end" "$(per_second "$trees")" "1/s" "the 1 s limit" 1 "$found" "-"
  record "$title" "memory limit over peak memory" "$(mib_of "$limit")" MiB "peak memory" "$(mib_of "$rss")" "$found" \
    "harness $(mib_of "$harness") MiB"
}

measure quick "$fat" "UI scan, fat32 quick ($files files)"
measure complete "$complete" "UI scan, complete ($mib MiB)"
