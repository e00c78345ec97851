#!/usr/bin/env bash
# Sets up a Debian 12 machine for pimdesk and then builds and starts it (run) or runs every test (test).
#   scripts/setup.sh run    install what is missing, build (Release), start the program
#   scripts/setup.sh test   install what is missing, build twice (Debug; AddressSanitizer+UBSan), run all tests,
#                           then build the fuzz targets and run each for about 30 s (scripts/fuzz.sh)
set -euo pipefail
mode=${1:-run}
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

# Debian packages and why each is needed (the README lists the same).
packages=(
  build-essential     # C++ compiler and make
  cmake ninja-build   # build system
  pkg-config          # CMake's pkg_check_modules finds libpff through it
  qt6-base-dev qt6-base-dev-tools libgl-dev   # Qt 6 Core/Gui/Widgets/Sql/Test headers, moc/rcc; Qt Gui's CMake files want OpenGL headers
  libqt6sql6-sqlite   # Qt's SQLite driver (Qt Sql component)
  libsqlite3-dev      # the record store: SQLite's C library
  sqlite3             # the sqlite3 shell: tests check that other tools read the store; benchmark baselines
  libxml2-utils       # xmllint: the import benchmark's outside baseline
  xz-utils            # tests: tar unpacks the shared sample offline store (.ost.tar.xz) through xz
  libpff-dev libbfio-dev   # libpff reads Outlook data files (.pst/.ost); its -dev package lacks its libbfio-dev dependency
  libical-dev         # iCalendar files are read and written through libical
  pff-tools           # pffexport: the outside baseline of the Outlook data file benchmark
  fonts-nanum         # a font with Hangul, so the Korean interface renders
  xvfb xauth          # a virtual display to start the program on a machine without one
  clang libclang-rt-14-dev   # the fuzz targets: libFuzzer and the sanitizers' run-time for clang (scripts/fuzz.sh)
  python3-vobject python3-icalendar   # tests only: outside readers of the vCard and iCalendar files pimdesk writes
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
# Test cases that skipped (a tool or a permission missing) are listed, so that a skip cannot pass unseen.
report_skips() { # build dir
  local log=$1/Testing/Temporary/LastTest.log skipped
  skipped=$(grep -h '^SKIP   :' "$log" 2>/dev/null || true)
  if [ -n "$skipped" ]; then
    echo "Skipped in $1:"
    echo "$skipped"
  else
    echo "Nothing skipped in $1."
  fi
}
configure_and_build() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  run)
    configure_and_build build/release -DCMAKE_BUILD_TYPE=Release
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
      exec xvfb-run -a -s "-screen 0 1280x1024x24" build/release/src/pimdesk
    fi
    exec build/release/src/pimdesk
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    configure_and_build build/debug -DCMAKE_BUILD_TYPE=Debug
    configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug -DPIMDESK_SANITIZE=ON
    status=0
    ctest --test-dir build/debug --output-on-failure -j "$jobs" || status=1
    report_skips build/debug
    ctest --test-dir build/asan --output-on-failure -j "$jobs" || status=1
    report_skips build/asan
    scripts/fuzz.sh "${PIMDESK_FUZZ_SECONDS:-30}" || status=1
    exit $status
    ;;
  *)
    echo "usage: scripts/setup.sh run|test" >&2
    exit 2
    ;;
esac
