# Debian 12 packages the project needs, by purpose. Sourced by setup.sh.
BUILD_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev libturbojpeg0-dev libxcb1-dev
    libgtest-dev libbenchmark-dev)
# Runtime: the Qt platform plugins and a CJK font so the Chinese texts show.
RUN_PACKAGES=(qt6-qpa-plugins fonts-wqy-microhei)
# The Wayland platform plugin.
RUN_PACKAGES+=(qt6-wayland)
# Qt's own Chinese translation.
RUN_PACKAGES+=(qt6-translations-l10n)
# Tests: a virtual X server and the tools that drive and inspect it, plus two
# independent readers of Windows shortcut files.
TEST_PACKAGES=(xvfb xauth xdotool xclip x11-utils imagemagick procps liblnk-utils
    libimage-exiftool-perl)
# Trying the installer bundle on fresh Debian roots (scripts/fresh-debian-check.sh).
FRESH_ROOT_PACKAGES=(debootstrap)
