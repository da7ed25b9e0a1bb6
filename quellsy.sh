#!/usr/bin/env bash
# Set-up and entry point on a fresh Debian 12 machine (run as root, or with sudo available):
#   ./quellsy.sh test      install what the build needs, build the dev preset, run every test and fuzz target
#   ./quellsy.sh run ...   install what the program needs, build the release preset and run it
#                          (today: the engine harness, engine-cli, with the given arguments)
#   ./quellsy.sh bench     install what the benchmarks need, build the release preset, run every benchmark
#                          against its peer tool and print one table of the figures and their ratios
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev zlib1g-dev libblkid-dev libchardet-dev
  libplist-dev libtinyxml-dev libudev-dev)
# Tools the tests make their fixture images with (one package per line keeps additions conflict-free).
TEST_PACKAGES=(
  apfsprogs
  attr
  dosfstools
  e2fsprogs
  enscript
  epstool
  exfat-fuse
  exfatprogs
  eyed3
  fdisk
  ffmpeg
  fig2dev
  gcab
  gdisk
  ghostscript
  icnsutils
  id3v2
  imagemagick
  lame
  libimage-exiftool-perl
  librsvg2-bin
  libtiff-tools
  mtools
  ntfs-3g
  parted
  python3
  python3-ezdxf
  python3-fonttools
  python3-mido
  sleuthkit
  sqlite3
  xz-utils
  zip
)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The release preset builds the benchmarks too.
RELEASE_PACKAGES=(libbenchmark-dev)
# The timer of whole commands, the tools the benchmark images are made with and the peer tools the figures are
# compared with.
BENCH_PACKAGES=(
  dosfstools
  enscript
  epstool
  fdisk
  ffmpeg
  fig2dev
  gcab
  ghostscript
  hyperfine
  icnsutils
  id3v2
  imagemagick
  lame
  libimage-exiftool-perl
  librsvg2-bin
  mtools
  python3
  python3-ezdxf
  python3-fonttools
  python3-mido
  sleuthkit
  sqlite3
  testdisk
  zip
)
FUZZ_SECONDS=${QUELLSY_FUZZ_SECONDS:-5}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs() { nproc 2>/dev/null || echo 2; }

run_tests() {
  install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
  cmake --preset dev
  cmake --build --preset dev -j "$(jobs)"
  ctest --preset dev -j "$(jobs)"

  # The threaded parts once more under ThreadSanitizer: the read-ahead device, the raw-read workers,
  # the message centre, the log, the searchers' crew in the complete scan,
  # the bridge's operations and posting, the qim image writer and the mount watcher (seconds).
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "$(jobs)"
  # Run outside ctest, the drivers' tests find their fixture scripts through this.
  export QUELLSY_SOURCE_DIR=$PWD
  build/tsan/tests/StorageDevice/StorageDevice_tests --gtest_filter='StorageDeviceWithCache*'
  build/tsan/tests/Utility/Utility_tests --gtest_filter='RawRead*:MessageCenter*:Log*:*RoundCrew*:SizedStackThread*'
  build/tsan/tests/RecoveryController/RecoveryController_tests --gtest_filter='CompleteController*'
  build/tsan/tests/RAWSearch/RAWSearch_tests --gtest_filter='RawSearchController*:RawSearchInACompleteScan*'
  build/tsan/tests/Bridge/Bridge_tests --gtest_filter='KDUIOperation*:BackgroundTasks*:KDUIPublicNotify*:ProgressNotify*:ScanDriver*:RecoveryDriver*:KDUIController*:ResultTrees*:SaveAndRestoreEntry*'
  build/tsan/tests/Bridge/BridgePeriphery_tests --gtest_filter='QimWriter*:QimRoundTrip*:VolumeNotifier*'

  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$(jobs)"
  fuzz/run-fuzzers.sh build/fuzz "$FUZZ_SECONDS" "$(jobs)"
}

run_program() {
  install_missing "${BUILD_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}"
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(jobs)"
  # The windowed application is not built yet; what runs today is the engine harness.
  local cli=build/release/tools/engine-cli/engine-cli
  if [ $# -eq 0 ]; then
    echo "The windowed application is not built yet. What runs today is the engine harness:"
    echo "  ./quellsy.sh run quick IMAGE [--offset SECTORS] [--live] [--json] [--recover DIR]"
    echo "  ./quellsy.sh run complete IMAGE [--offset SECTORS] [--searchers LIST|none] [--json] [--recover DIR]"
    echo "  ./quellsy.sh run --help"
    exit 0
  fi
  exec "$cli" "$@"
}

run_benchmarks() {
  install_missing "${BUILD_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(jobs)"
  bench/run-benchmarks.sh build/release
}

case "${1:-}" in
  test) run_tests ;;
  bench) run_benchmarks ;;
  run) shift; run_program "$@" ;;
  *)
    echo "usage: $0 test | bench | run [arguments]" >&2
    exit 2
    ;;
esac
