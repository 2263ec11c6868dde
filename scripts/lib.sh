# Shared by scripts/test and scripts/run. Sourced, not run.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

# Debian packages the build and the tests need, by name.
PACKAGES=(
  cmake ninja-build g++ python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 xvfb xauth x11-utils imagemagick
  dpkg-dev openssl curl ieee-data
  nsis osslsigncode zip tshark
)

log() { printf '\033[1m== %s\033[0m\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Installs whatever is missing; does nothing (and asks no server) when all is there.
ensure_packages() {
  local missing=() p state
  local -A installed=()
  # One query for all: a query per package took seconds on every run.
  while read -r p state; do
    [[ $state == installed ]] && installed[$p]=1
  done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null)
  for p in "$@"; do
    [[ -n ${installed[$p]:-} ]] || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  log "installing: ${missing[*]}"
  local sudo=
  [[ $(id -u) == 0 ]] || sudo=sudo
  $sudo apt-get update -q || die "apt-get update failed"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" \
    || die "could not install: ${missing[*]}"
}

# configure_and_build PRESET [TARGET...]: the whole flavour, or only the targets named.
configure_and_build() {
  local preset=$1
  shift
  if [[ ! -f build/$preset/build.ninja ]]; then
    log "configure $preset"
    cmake --preset "$preset" >/dev/null || die "configure failed: $preset"
  fi
  log "build $preset${1:+ ($*)}"
  cmake --build --preset "$preset" ${1:+--target "$@"} || die "build failed: $preset"
}

# Starts Xvfb on a free display and exports DISPLAY; stop_xvfb ends it. Xvfb picks the
# display itself (-displayfd), so suites that start theirs at the same time never share one.
XVFB_PID=
start_xvfb() {
  local file n= i
  file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for i in $(seq 100); do
    n=$(head -1 "$file")
    [[ -n $n ]] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$file"
  [[ -n $n ]] || die "could not start Xvfb"
  export DISPLAY=":$n"
  # A desktop session loads X resources; without any, Xlib reads ~/.Xdefaults again at
  # every lookup, and Wine looks one up at every font selection. (-noreset keeps them
  # when the last client leaves.)
  xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER '! Vellumar under Xvfb' \
    || die "could not set the X resources of display $DISPLAY"
}
stop_xvfb() {
  [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
  return 0
}
