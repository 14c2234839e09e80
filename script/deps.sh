# Sourced by script/run and script/test: installs the Debian packages that are
# missing, and nothing when all are there.
tintoko_packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-webengine-dev
  libmpg123-dev libpulse-dev libmp3lame-dev
  # the recorder: noise suppression (speexdsp) and loudness (EBU R128)
  libspeexdsp-dev libebur128-dev
  fonts-noto-cjk metacity
  pulseaudio pulseaudio-utils
  # the recorder's end-to-end test reads and presses its buttons as a screen
  # reader does (AT-SPI on a session bus of its own)
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi
  xvfb xauth xdotool x11-utils wmctrl openbox trayer imagemagick libxcb1-dev
  # the window managers the desktop tests run besides openbox and metacity;
  # KWin draws no frames without its Breeze style, and needs a session bus
  fluxbox icewm kwin-x11 kwin-style-breeze dbus-daemon
  # the fuzz targets (libFuzzer)
  clang libclang-rt-14-dev
  # the Debian package (cpack, dpkg-shlibdeps), Debian's checker of it, and the
  # checks of its desktop entry and metainfo
  dpkg-dev file lintian desktop-file-utils appstream
  # Qt's own words in Chinese, which every program loads
  qt6-translations-l10n
  # systemd-sysusers, which makes the news viewer's account (the package's
  # postinst, and the end-to-end tests where no package did)
  systemd
)

tintoko_install_missing() {
  local missing=()
  local p
  for p in "${tintoko_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

tintoko_configure_and_build() {
  local top=$1 build=$2
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$build" -j"$(nproc)"
}
