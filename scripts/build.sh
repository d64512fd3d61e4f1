#!/usr/bin/env bash
# Configures and builds Vantrel with Ninja. Usage: scripts/build.sh BUILD_DIR [cmake options...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
cmake -S "$here" -B "$dir" -G Ninja "$@"
cmake --build "$dir"
