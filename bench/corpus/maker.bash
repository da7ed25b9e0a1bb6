# What every maker in this folder starts with, sourced as
#   source "$(dirname "$0")/maker.bash" "$@" || exit 2
# (not named *.sh: the assembler and the recall test take every *.sh here for a maker). Sets strict mode, `stem`
# and `index` from the maker's two arguments and `turn`, and defines `need`, `scratch` and `ff`.
set -euo pipefail
stem=${1:?output file stem}
index=${2:?seed index}
# The kind follows the seed; the corpus's weighted round robin (period 100) hands a family seeds a fixed step
# apart, so the hundreds shift the turn and every kind comes up.
turn=$((index + index / 100))

# need TOOL...: exits 2 naming the first tool missing (a command on PATH, or an executable given by its path).
need() {
  local tool
  for tool; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
  done
}

# scratch: a new folder in `work`, removed when the maker exits.
scratch() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# ffmpeg with bit-exact output options right before the output file: the same seed always gives the same bytes.
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "${@:1:$#-1}" -fflags +bitexact -flags +bitexact "${@: -1}"; }
