#!/usr/bin/env bash
# weight: 8
# The repository's CAB and ICNS samples, alternately by seed.
# usage: bench/corpus/samples.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.cab or OUT_FILE_STEM.icns)
set -euo pipefail
samples=$(cd "$(dirname "$0")/../.." && pwd)/tests/fixtures/public/mimetype-testdata
stem=$1 i=$2
if ((i % 2 == 1)); then cp "$samples/cab.cab" "$stem.cab"; else cp "$samples/icns.icns" "$stem.icns"; fi
