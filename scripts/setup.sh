#!/usr/bin/env bash
# Installs the Debian packages that are missing for the given purposes
# (build, run, test, fresh-root); does nothing when all are present.
# Usage: scripts/setup.sh build run [test] [fresh-root]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/packages.sh"

wanted=()
for purpose in "$@"; do
    case "$purpose" in
    build) wanted+=("${BUILD_PACKAGES[@]}") ;;
    run) wanted+=("${RUN_PACKAGES[@]}") ;;
    test) wanted+=("${TEST_PACKAGES[@]}") ;;
    fresh-root) wanted+=("${FRESH_ROOT_PACKAGES[@]}") ;;
    *) echo "setup.sh: unknown purpose '$purpose' (build, run, test, fresh-root)" >&2; exit 2 ;;
    esac
done

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
    "${missing[@]}"
