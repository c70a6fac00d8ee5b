# Debian 12 packages the project needs, by purpose. Sourced by setup.sh.
BUILD_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev libturbojpeg0-dev libxcb1-dev
    libxcb-shm0-dev libfontconfig-dev libgtest-dev libbenchmark-dev)
# Runtime: the Qt platform plugins and a CJK font so the Chinese texts show.
RUN_PACKAGES=(qt6-qpa-plugins fonts-wqy-microhei)
# Tests: a virtual X server and the tools that drive and inspect it, plus two
# independent readers of Windows shortcut files.
TEST_PACKAGES=(xvfb xauth xdotool xclip x11-utils imagemagick procps liblnk-utils
    libimage-exiftool-perl)
