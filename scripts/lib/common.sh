# Shared pieces of the project's scripts: package installation, the private
# Wine prefix and a virtual X display. Source it; it defines functions only.

project_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build and the tests need.
required_packages="cmake g++ clang libclang-rt-14-dev libgtest-dev googletest
  libbenchmark-dev libstb-dev g++-mingw-w64-x86-64 mingw-w64-tools wine wine64
  xvfb xauth xdotool x11-utils imagemagick icc-profiles-free
  webp dpkg-dev zip unzip nasm libjpeg-turbo-progs quilt libheif-examples libjxr-tools libjxl-tools"

install_missing_packages() {
  local missing=()
  local package
  for package in $required_packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Starts Xvfb on a free display number when DISPLAY is unset; stop_xvfb ends
# exactly that server.
started_xvfb_pid=""
start_xvfb_if_needed() {
  [ -n "${DISPLAY:-}" ] && return 0
  local number=90
  while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do
    number=$((number + 1))
  done
  Xvfb ":${number}" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
  started_xvfb_pid=$!
  export DISPLAY=":${number}"
  local tries=0
  until [ -e "/tmp/.X11-unix/X${number}" ] || [ $tries -ge 50 ]; do
    sleep 0.1; tries=$((tries + 1))
  done
}

stop_xvfb() {
  if [ -n "$started_xvfb_pid" ]; then
    kill "$started_xvfb_pid" 2>/dev/null || true
    wait "$started_xvfb_pid" 2>/dev/null || true
    started_xvfb_pid=""
  fi
}

export WINEPREFIX="${VELLORA_WINEPREFIX:-$project_root/build/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them and they would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_server_stop() {
  wineserver -k >/dev/null 2>&1 || true
}
