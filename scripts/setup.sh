#!/usr/bin/env bash
# Installs the Debian packages that are missing for the given purposes
# (build, run, test, fresh-root); does nothing when all are present.
# Usage: scripts/setup.sh build run [test] [fresh-root]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/packages.sh"

wanted=()
bare=() # installed without their recommendations
for purpose in "$@"; do
    case "$purpose" in
    build) wanted+=("${BUILD_PACKAGES[@]}") ;;
    run) wanted+=("${RUN_PACKAGES[@]}") ;;
    test)
        wanted+=("${TEST_PACKAGES[@]}")
        bare+=("${GNOME_TEST_PACKAGES[@]}" "${KDE_TEST_PACKAGES[@]}"
            "${INPUT_METHOD_TEST_PACKAGES[@]}")
        ;;
    fresh-root) wanted+=("${FRESH_ROOT_PACKAGES[@]}") ;;
    *) echo "setup.sh: unknown purpose '$purpose' (build, run, test, fresh-root)" >&2; exit 2 ;;
    esac
done

missing_of() {
    local pkg status
    for pkg in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
        [[ "$status" == "install ok installed" ]] || echo "$pkg"
    done
}
mapfile -t missing < <(missing_of "${wanted[@]}")
mapfile -t missing_bare < <(missing_of "${bare[@]}")
[[ ${#missing[@]} -eq 0 && ${#missing_bare[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]} ${missing_bare[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
apt_get=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -qq)
"${apt_get[@]}" update
[[ ${#missing[@]} -eq 0 ]] || "${apt_get[@]}" install "${missing[@]}"
[[ ${#missing_bare[@]} -eq 0 ]] || "${apt_get[@]}" install --no-install-recommends "${missing_bare[@]}"
