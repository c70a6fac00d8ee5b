#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: once in the
# release build and once in the AddressSanitizer/UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build run test
for preset in release asan; do
    echo "== $preset: build"
    scripts/build.sh "$preset"
    echo "== $preset: test"
    ctest --preset "$preset" -j "$(nproc)"
done
