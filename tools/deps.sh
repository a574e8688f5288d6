# Debian packages the project needs; sourced by run.sh and test.sh.
# Building, testing (clang for the fuzz targets, binutils' objcopy for a benchmark, libfaketime
# for the waits under a stepping wall clock) and the Japanese font the captions need.
CORVANE_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev libqt6svg6 libgl-dev
  libgtest-dev
  clang libclang-rt-14-dev binutils
  faketime
  fonts-noto-cjk
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
