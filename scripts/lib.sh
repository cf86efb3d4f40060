# Shared by the scripts: installs what the build needs and builds a preset.
# Sourced, not run.

# Debian packages the build and the suite need.
TARNWICK_PACKAGES=(cmake make mingw-w64 googletest wine64 xvfb python3 zip)

ensure_packages() {
  local missing=()
  for package in "${TARNWICK_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing ${missing[*]}…"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing: ${missing[*]}. Run this script as root, or install them." >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (once) and builds one preset: build_preset windows-x64
build_preset() {
  [ -f "build/$1/CMakeCache.txt" ] || cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}
