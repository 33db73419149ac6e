# Shared by scripts/run, scripts/test and scripts/bench: the Debian packages
# the project needs, and an incremental CMake build.
set -euo pipefail

EKR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

EKR_PACKAGES=(
  g++ make cmake binutils pkg-config libbenchmark-dev
  qtbase5-dev qttools5-dev qttools5-dev-tools
  qtmultimedia5-dev libqt5multimedia5-plugins libmpg123-dev
  fonts-dejavu-core fonts-wqy-microhei
  pulseaudio
)

# Installs whatever of EKR_PACKAGES (and the extra names given) is missing.
ekr_install_packages() {
  local missing=() package
  for package in "${EKR_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing Debian packages: ${missing[*]}"
  ekr_as_root apt-get update -qq
  ekr_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Runs a command as root: directly when this is root, else through sudo (which
# clears the environment, so a variable for the command goes through env).
ekr_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

# ekr_build DIR [CMAKE OPTION...]: configures DIR once, then builds incrementally.
# EKR_CMAKE_OPTIONS holds further options, separated by spaces (for instance
# -DCTK_DIR=/path/to/CTK-build); when it is set, DIR is configured again with
# them, and they stay in DIR's cache.
ekr_build() {
  local dir="$1"
  shift
  local extra=()
  read -r -a extra <<<"${EKR_CMAKE_OPTIONS:-}"
  if [ ! -f "$dir/CMakeCache.txt" ] || [ ${#extra[@]} -gt 0 ]; then
    cmake -S "$EKR_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" "${extra[@]}"
  fi
  cmake --build "$dir" -j"$(nproc)"
}

# Runs the rest of the script with HOME and the XDG folders in a temporary
# folder that is removed on exit.
ekr_hermetic() {
  EKR_SCRATCH="$(mktemp -d)"
  trap 'rm -rf "$EKR_SCRATCH"' EXIT
  export HOME="$EKR_SCRATCH/home" XDG_CONFIG_HOME="$EKR_SCRATCH/config"
  export XDG_DATA_HOME="$EKR_SCRATCH/data" XDG_CACHE_HOME="$EKR_SCRATCH/cache"
  export XDG_RUNTIME_DIR="$EKR_SCRATCH/runtime" EKR_REGISTRY_ROOT="$EKR_SCRATCH/registry"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$EKR_REGISTRY_ROOT"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}
