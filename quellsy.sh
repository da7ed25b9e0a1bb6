#!/usr/bin/env bash
# Set-up and entry point on a fresh Debian 12 machine (run as root, or with sudo available):
#   ./quellsy.sh test      install what the build needs, build the dev preset, run every test and fuzz target
#   ./quellsy.sh run ...   install what the program needs, build the program (release preset) and start it;
#                          it needs a display (X11 or Wayland)
#   ./quellsy.sh cli ...   build the engine harness (release preset) and run it with the given arguments
#   ./quellsy.sh gallery   build the screenshot gallery (release preset) and draw every window state into
#                          build/gallery/ (PNG files and index.html) under Xvfb, some on the real engine over disk
#                          images it makes (as root, attached as loop devices)
#   ./quellsy.sh bench     install what the benchmarks need, build the release preset, run every benchmark
#                          against its peer tool and print one table of the figures and their ratios
#   ./quellsy.sh install [PREFIX]
#                          build the release preset for PREFIX (default /usr/local) and install the program, its
#                          launcher, desktop entry, file type and polkit policy
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev zlib1g-dev libblkid-dev libchardet-dev
  libplist-dev libtinyxml-dev libudev-dev)
# The windows (src/UI/): Qt 6 Widgets with SVG, the catalogue compiler, image formats, the MIME database and
# the fonts the windows name.
BUILD_PACKAGES+=(qt6-base-dev qt6-svg-dev qt6-l10n-tools qt6-image-formats-plugins shared-mime-info
  fonts-open-sans fonts-urw-base35 fonts-dejavu-core)
# Thumbnails: camera raws' previews through LibRaw, movie frames through ffmpegthumbnailer (run by the program).
BUILD_PACKAGES+=(libraw-dev ffmpegthumbnailer)
# The program on Wayland without XWayland; links opened in the user's browser.
RUN_PACKAGES=(qt6-wayland xdg-utils)
# The gallery draws on a virtual X display; its real-image states make their disk images with these tools.
GALLERY_PACKAGES=(xauth xvfb attr dosfstools fdisk ffmpeg libimage-exiftool-perl mtools ntfs-3g python3)
# Tools the tests make their fixture images with (one package per line keeps additions conflict-free).
TEST_PACKAGES=(
  apfsprogs
  attr
  dbus-daemon
  desktop-file-utils
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
  libglib2.0-bin
  libimage-exiftool-perl
  librsvg2-bin
  libtiff-tools
  mtools
  ntfs-3g
  openbox
  parted
  pkexec
  polkitd
  python3
  python3-ezdxf
  python3-fonttools
  python3-mido
  sleuthkit
  shared-mime-info
  sqlite3
  x11-utils
  xauth
  xdotool
  xvfb
  xz-utils
  zip
)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The release preset builds the benchmarks too.
RELEASE_PACKAGES=(libbenchmark-dev)
# The timer of whole commands, the tools the benchmark images are made with, the peer tools the figures are
# compared with, and the virtual X display the results window is timed on.
BENCH_PACKAGES=(
  dosfstools
  enscript
  epstool
  exfat-fuse
  exfatprogs
  fdisk
  ffmpeg
  fig2dev
  fuse3
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
  ntfs-3g
  openbox
  python3
  python3-ezdxf
  python3-fonttools
  python3-mido
  sleuthkit
  sqlite3
  testdisk
  time
  xauth
  xvfb
  zip
)
# What the installed program needs around it: pkexec and polkit to start it as root, and the tools that register
# its desktop entry and file type.
INSTALL_PACKAGES=(desktop-file-utils pkexec polkitd shared-mime-info)
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
  draw_gallery build/dev

  # The threaded parts once more under ThreadSanitizer: the read-ahead device, the raw-read workers,
  # the message centre, the log, the searchers' crew in the complete scan, the bridge's operations, their
  # one rule for what runs together and the node state the windows mark while a scan runs, the posting,
  # the qim image writer and the mount watcher (seconds).
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "$(jobs)"
  # Run outside ctest, the drivers' tests find their fixture scripts through this.
  export QUELLSY_SOURCE_DIR=$PWD
  build/tsan/tests/StorageDevice/StorageDevice_tests --gtest_filter='StorageDeviceWithCache*'
  build/tsan/tests/Utility/Utility_tests --gtest_filter='RawRead*:MessageCenter*:Log*:*RoundCrew*:SizedStackThread*'
  build/tsan/tests/RecoveryController/RecoveryController_tests --gtest_filter='CompleteController*'
  build/tsan/tests/RAWSearch/RAWSearch_tests --gtest_filter='RawSearchController*:RawSearchInACompleteScan*'
  build/tsan/tests/Bridge/Bridge_tests --gtest_filter='KDUIOperation*:BackgroundTasks*:KDUIPublicNotify*:ProgressNotify*:ScanDriver*:RecoveryDriver*:KDUIController*:OperationStates*:ResultTrees*:GroupTrees*:SaveAndRestoreEntry*'
  build/tsan/tests/Bridge/BridgePeriphery_tests --gtest_filter='QimWriter*:QimRoundTrip*:VolumeNotifier*'

  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$(jobs)"
  fuzz/run-fuzzers.sh build/fuzz "$FUZZ_SECONDS" "$(jobs)"
}

# The gallery of a built preset's ui-gallery into build/gallery/; fails when a state draws nothing or an image is
# missing. Leaks inside the X and D-Bus client libraries are theirs, not ours (the dev preset checks leaks).
draw_gallery() {
  LSAN_OPTIONS="suppressions=$PWD/tools/ui-gallery/lsan.supp" \
    xvfb-run -a -s "-screen 0 1600x1200x24" "$1/bin/ui-gallery" build/gallery
}

harness_usage() {
  echo "  ./quellsy.sh cli quick IMAGE [--offset SECTORS] [--live] [--json] [--recover DIR]"
  echo "  ./quellsy.sh cli complete IMAGE [--offset SECTORS] [--searchers LIST|none] [--json] [--recover DIR]"
  echo "  ./quellsy.sh cli --help"
}

run_program() {
  install_missing "${BUILD_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(jobs)" --target quellsy
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): the windowed application cannot start here. The engine harness can:"
    harness_usage
    exit 1
  fi
  exec build/release/bin/quellsy "$@"
}

run_cli() {
  install_missing "${BUILD_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}"
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(jobs)" --target engine-cli
  if [ $# -eq 0 ]; then
    echo "The engine harness scans an image or a device and copies out what it finds:"
    harness_usage
    exit 0
  fi
  exec build/release/tools/engine-cli/engine-cli "$@"
}

run_gallery() {
  install_missing "${BUILD_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}" "${GALLERY_PACKAGES[@]}"
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(jobs)" --target ui-gallery
  draw_gallery build/release
}

install_program() {
  local prefix=${1:-/usr/local}
  case "$prefix" in
    /*) ;;
    *) echo "install: PREFIX must be an absolute path" >&2; exit 2 ;;
  esac
  install_missing "${BUILD_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}" "${INSTALL_PACKAGES[@]}"
  # The launcher and the polkit policy name the installed paths, so the build is made for the prefix it goes to.
  cmake --preset release -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build --preset release -j "$(jobs)"
  as_root cmake --install build/release
  as_root update-mime-database "$prefix/share/mime"
  as_root update-desktop-database -q "$prefix/share/applications"
  if command -v gtk-update-icon-cache >/dev/null; then
    as_root gtk-update-icon-cache -q -t -f "$prefix/share/icons/hicolor" || true
  fi
  echo "Installed into $prefix; the polkit policy went to /usr/share/polkit-1/actions."
  echo "Start Quellsy from the desktop's menu, or run $prefix/bin/fxrloader."
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
  install) shift; install_program "$@" ;;
  cli) shift; run_cli "$@" ;;
  gallery) run_gallery ;;
  *)
    echo "usage: $0 test | bench | install [PREFIX] | run [arguments] | cli [arguments] | gallery" >&2
    exit 2
    ;;
esac
