# Debian 12 packages the project needs, by purpose. Sourced by setup.sh.
# The fcitx5 frontend is built for the Qt of qt6-base-dev: the installer bundle carries its plugin.
BUILD_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev qt6-base-private-dev
    libturbojpeg0-dev libxcb1-dev libxcb-shm0-dev libfontconfig-dev libwayland-dev libgtest-dev
    libbenchmark-dev fcitx5-frontend-qt6)
# Runtime: the Qt platform plugins (X11 and Wayland), a CJK font so the Chinese
# texts show, and Qt's own translations (its Chinese stock texts).
RUN_PACKAGES=(qt6-qpa-plugins qt6-wayland fonts-wqy-microhei qt6-translations-l10n)
# Tests: a virtual X server and the tools that drive and inspect it; two
# independent readers of Windows shortcut files; the desktop's own checker and
# launcher of desktop entries; a headless Wayland desktop (sway with XWayland,
# the screenshot portal stack on its own session bus) and its tools, and the
# Wayland client library the tests' virtual pointer uses.
TEST_PACKAGES=(xvfb xauth xdotool xclip x11-utils imagemagick procps liblnk-utils
    libimage-exiftool-perl desktop-file-utils libglib2.0-bin sway xwayland grim wtype
    wl-clipboard xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk pipewire
    dbus libwayland-dev)
# Test desktops installed without their recommendations, which would pull in whole
# desktop sessions: each list belongs to one group of end-to-end checks.
# GNOME: the shell with its portal backend, and dconf's tools for the session's settings.
GNOME_TEST_PACKAGES=(gnome-shell xdg-desktop-portal-gnome dconf-cli dconf-gsettings-backend)
# KDE Plasma's compositor run headless (tests/e2e/with-kwin.sh) with the screenshot portal's KDE
# backend, the Qt 5 Wayland platform and QML modules that backend loads, and the data KWin reads.
KDE_TEST_PACKAGES=(kwin-wayland kwin-style-breeze xdg-desktop-portal-kde qtwayland5
    plasma-workspace-data qml-module-qtquick-controls2 qml-module-qtquick-layouts
    qml-module-qtquick-window2 qml-module-qtgraphicaleffects qml-module-org-kde-kirigami2)
# The two input methods Chinese users type with, each with its pinyin engine.
INPUT_METHOD_TEST_PACKAGES=(fcitx5 fcitx5-chinese-addons ibus ibus-libpinyin)
# Trying the installer bundle on fresh Debian roots (scripts/fresh-debian-check.sh).
FRESH_ROOT_PACKAGES=(debootstrap)
