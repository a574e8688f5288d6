# Debian packages the project needs; sourced by run.sh and test.sh.
# Building (libelf for reading ELF images, libssl-dev for libcrypto's SHA-256 of the image file,
# libtelnet for the remote ports' Telnet layer, tomlplusplus for reading product files),
# testing (clang for the fuzz targets, binutils' objcopy for a benchmark, the SH and H8 cross
# binutils and srecord for images as toolchains write them, libfaketime for the waits under a
# stepping wall clock, ser2net and sredird (behind socat, which starts one for each connection)
# in front of the simulated unit for the remote ports, openssl for the certificates of their TLS
# tests and libssl3 for Qt's OpenSSL backend, which the TLS ports use at run time), the
# Japanese font the captions need, Qt SQL's SQLite and PostgreSQL drivers for the production
# record and the PostgreSQL server its tests start in a temporary folder, and making and
# checking the Debian package (manual pages, dpkg-shlibdeps, lintian, the desktop entry and
# AppStream validators, man, bash completion).
CORVANE_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev libqt6svg6 libgl-dev libelf-dev libssl-dev libtelnet-dev
  libtomlplusplus-dev
  libqt6sql6-sqlite libqt6sql6-psql
  libgtest-dev
  clang libclang-rt-14-dev binutils binutils-sh-elf binutils-h8300-hms srecord
  faketime
  ser2net sredird socat openssl libssl3
  postgresql
  fonts-noto-cjk
  help2man dpkg-dev file lintian desktop-file-utils appstream man-db bash-completion
)

install_missing_packages() {
  local missing=()
  for p in "${CORVANE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
