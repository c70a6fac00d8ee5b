# Debian 12 packages the project needs, by purpose. Sourced by setup.sh.
BUILD_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev libturbojpeg0-dev libxcb1-dev
    libgtest-dev libbenchmark-dev)
# Runtime: the Qt platform plugins, a CJK font so the Chinese texts show, and Qt's own
# translations (its Chinese stock texts).
RUN_PACKAGES=(qt6-qpa-plugins fonts-wqy-microhei qt6-translations-l10n)
# Tests: a virtual X server and the tools that drive and inspect it, two
# independent readers of Windows shortcut files, and the desktop's own checker and
# launcher of desktop entries.
TEST_PACKAGES=(xvfb xauth xdotool xclip x11-utils imagemagick procps liblnk-utils
    libimage-exiftool-perl desktop-file-utils libglib2.0-bin)
