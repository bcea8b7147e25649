#!/bin/sh
# Times one whole build of the demo data pack into a scratch folder:
#   bench/pack-time.sh [BUILD_DIR]   (default: build)
# The pack builder prints its own figure; the wall-clock time is printed too.
set -e
build=${1:-build}
pack="$build/bin/lumora-pack"
[ -x "$pack" ] || { echo "pack-time: no $pack (build the lumora-pack target first)" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
start=$(date +%s.%N)
"$pack" "$scratch/Data"
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" 'BEGIN { printf "pack-time: %.1f s wall clock\n", e - s }'
