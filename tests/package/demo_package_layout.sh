#!/usr/bin/env bash
# Checks the demo bundle that the build lays out beside the built installer.
# Usage: demo_package_layout.sh <installer folder> <democlient sources> <vexa.exe> <vexacaptScreen>
set -euo pipefail
# shellcheck source=bundle_checks.sh
source "$(dirname "$0")/bundle_checks.sh"

[[ -d $1/base ]] || fail "no base/ beside $1/install: build first (an installation from there deletes it)"
check_bundle "$@"
# The build tree's programs run on the system's Qt: no runtime of the bundle beside them.
for runtime in lib plugins translations qt.conf; do
    [[ ! -e $1/$runtime && ! -e $1/base/$runtime ]] || fail "the build laid out $runtime in $1"
done
echo "demo package complete in $1"
