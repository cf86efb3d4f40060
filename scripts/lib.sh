# Shared by the scripts: installs what the build needs and builds a preset.
# Sourced, not run.

# Debian packages the build and the suite need.
TARNWICK_PACKAGES=(cmake make mingw-w64 googletest wine64 xvfb x11-utils python3 python3-yaml zip locales)

# A language for Wine's interface other than English, which the self-test is
# checked in (Wine follows LANG when the locale is generated), and the label
# of a message box's OK button in it.
TARNWICK_OTHER_LANGUAGE=ru_RU.UTF-8
TARNWICK_OTHER_LANGUAGE_OK="ОК"

# The guest address space qemu-i386 must reserve for 32-bit Wine. Every 32-bit
# run gets it (scripts/wine-session), whoever registered the emulator;
# where 32-bit code runs natively, nothing reads it.
TARNWICK_QEMU_RESERVED_VA=0xf7000000

# Refreshes the package lists. A mirror in the middle of a sync fails one
# index now and then ("File has unexpected size") while every other index is
# fine, so a failure is tried twice more and then only reported: the install
# that follows says clearly whether a package it needs is really missing.
refresh_package_lists() {
  for attempt in 1 2 3; do
    apt-get update -qq && return
    [ "$attempt" -lt 3 ] && sleep 10
  done
  echo "apt-get update failed for some package lists; installing from those it could read." >&2
}

# Installs those of the named Debian packages that are missing.
ensure_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing ${missing[*]}…"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing: ${missing[*]}. Run this script as root, or install them." >&2
    exit 1
  fi
  refresh_package_lists
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Node.js and npm, for the workflow linter: Debian's, unless a node and an npm
# are already there (some machines have them from elsewhere).
ensure_node() {
  command -v node >/dev/null && command -v npm >/dev/null && return
  ensure_packages nodejs npm
}

# 32-bit Windows programs: Debian's wine32:i386 and, where this machine cannot
# run 32-bit x86 code itself, qemu-i386 registered with binfmt_misc (with the
# F flag, so the kernel keeps the interpreter open). Says so when it cannot.
ensure_x86_runtime() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: the 32-bit tests run only if wine32:i386 and a way to run 32-bit code are there." >&2
    return
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    refresh_package_lists
  fi
  ensure_packages wine32:i386
  # Runs natively, or through an emulator already registered under any name.
  QEMU_RESERVED_VA=$TARNWICK_QEMU_RESERVED_VA /usr/lib/wine/wineserver32 --version >/dev/null 2>&1 && return
  ensure_packages qemu-user
  local binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  [ -e "$binfmt/qemu-i386" ] && return
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386:FP" >"$binfmt/register" 2>/dev/null ||
    echo "Could not register qemu-i386 with binfmt_misc: the 32-bit tests will be skipped." >&2
}

# Generates a locale (ensure_locale ru_RU.UTF-8) unless it is there; says so
# when it cannot.
ensure_locale() {
  locale -a 2>/dev/null | grep -qix "${1/UTF-8/utf8}" && return
  if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: the locale $1 is missing, so the test in another language will be skipped." >&2
    return
  fi
  grep -qx "$1 UTF-8" /etc/locale.gen || echo "$1 UTF-8" >>/etc/locale.gen
  locale-gen >/dev/null
}

# Configures (once) and builds one preset; options after the preset go to
# cmake --build: build_preset windows-x64 [--target tarnwick]
# A tree whose configure never finished has a cache but no build system. What
# such a cache holds may come from a configure without the compilers (empty
# optimisation flags, the host's ar), so it is configured afresh, not kept.
build_preset() {
  local tree=build/$1
  if [ ! -f "$tree/CMakeCache.txt" ]; then
    cmake --preset "$1" >/dev/null
  elif [ ! -f "$tree/Makefile" ]; then
    echo "$tree: its last configure did not finish; configuring it afresh." >&2
    cmake --preset "$1" --fresh >/dev/null
  fi
  cmake --build --preset "$1" "${@:2}"
}

# Whether DIR is the top of a git checkout (a .git folder, or the .git file of
# a worktree). Inside one, git is the only source of the tracked files and the
# commit time: a git that refuses stops the script instead of being guessed
# around.
is_checkout() { [ -e "$1/.git" ]; }

# Runs git in the checkout DIR and prints what it printed: checkout_git DIR
# ARGS… When git fails (a checkout owned by another user, git missing, no
# commit yet), stops with git's own words and how to mend the common case.
checkout_git() {
  local dir output status=0
  dir=$(cd "$1" && pwd)
  shift
  output=$(git -C "$dir" "$@" 2>&1) || status=$?
  if [ "$status" -eq 0 ]; then
    printf '%s\n' "$output"
    return
  fi
  {
    echo "${0##*/}: git cannot read the checkout $dir (git $*, status $status):"
    printf '%s\n' "$output" | sed 's/^/    /'
    if grep -q 'dubious ownership' <<<"$output"; then
      echo "The checkout belongs to another user. If you trust it, mark it safe and run again:"
      echo "    git config --global --add safe.directory $dir"
    fi
  } >&2
  exit 1
}

# The time every file of a release carries, so that one commit packs to the
# same bytes: the commit's time in a checkout; elsewhere (a source archive)
# SOURCE_DATE_EPOCH, which must then be set. release_time SOURCE_DIR
release_time() {
  if is_checkout "$1"; then
    checkout_git "$1" log -1 --format=%ct
  elif [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  else
    echo "${0##*/}: $1 is not a git checkout, so there is no commit time to stamp the files with;" \
      "set SOURCE_DATE_EPOCH to the time they should carry (seconds since 1970)." >&2
    exit 1
  fi
}

# Copies the source tree (in a checkout, what git tracks or would track, as it
# is in the working tree; elsewhere everything but build/) to a new folder:
# copy_source SOURCE_DIR COPY_DIR
copy_source() {
  local source_dir=$1 copy=$2
  mkdir -p "$copy"
  if is_checkout "$source_dir"; then
    checkout_git "$source_dir" rev-parse --git-dir >/dev/null
    git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
      (cd "$source_dir" && xargs -0 cp --parents -t "$copy")
  else
    (cd "$source_dir" && tar --exclude=./build -cf - .) | tar -C "$copy" -xf -
  fi
}
