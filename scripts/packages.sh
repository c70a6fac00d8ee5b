# Debian 12 packages the project needs, by purpose. Sourced by setup.sh.
BUILD_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev libturbojpeg0-dev libxcb1-dev
    libgtest-dev libbenchmark-dev)
# Runtime: the Qt platform plugins (X11 and Wayland) and a CJK font so the
# Chinese texts show.
RUN_PACKAGES=(qt6-qpa-plugins qt6-wayland fonts-wqy-microhei)
# Tests: a virtual X server and the tools that drive and inspect it, plus two
# independent readers of Windows shortcut files; a headless Wayland desktop
# (sway with XWayland, the screenshot portal stack on its own session bus) and
# its tools, and the Wayland client library the tests' virtual pointer uses.
TEST_PACKAGES=(xvfb xauth xdotool xclip x11-utils imagemagick procps liblnk-utils
    libimage-exiftool-perl sway xwayland grim wtype wl-clipboard xdg-desktop-portal
    xdg-desktop-portal-wlr xdg-desktop-portal-gtk pipewire dbus libwayland-dev)
