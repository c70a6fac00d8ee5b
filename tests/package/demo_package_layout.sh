#!/usr/bin/env bash
# Checks the demo package that the build lays out beside the built installer: base/ with the
# current client and capture tool, the data files, the empty logs/, and 使用说明.txt.
# Usage: demo_package_layout.sh <installer folder> <democlient sources> <vexa.exe> <vexacaptScreen>
set -euo pipefail
# shellcheck source=bundle_checks.sh
source "$(dirname "$0")/bundle_checks.sh"
dir=$1 sources=$2 client=$3 capture=$4

[[ -d $dir/base ]] || fail "no base/ beside $dir/install: build first (an installation run from there deletes it)"
check_bundle "$dir" "$sources/package"
same_file "$client" "$dir/base/vexa.exe"
same_file "$capture" "$dir/base/vexacaptScreen"
same_file "$sources/使用说明.txt" "$dir/使用说明.txt"
echo "demo package complete in $dir"
