#!/usr/bin/env bash
# Configures and builds Vantrel with Ninja.
# Usage: scripts/build.sh BUILD_DIR [cmake options...] [-- targets...]   (no targets: everything)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
cmake -S "$here" -B "$dir" -G Ninja "${options[@]}"
if [ $# -gt 0 ]; then
  cmake --build "$dir" --target "$@"
else
  cmake --build "$dir"
fi
