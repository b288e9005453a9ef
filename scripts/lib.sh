# Shared by scripts/run and scripts/test: package installation and the CMake build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"

# Packages the program needs to build and run.
RUN_PACKAGES=(cmake make g++ pkg-config zlib1g-dev libjpeg-dev libpng-dev libcairo2-dev
              libfreetype-dev libfontconfig-dev libfribidi-dev libharfbuzz-dev fonts-dejavu-core fonts-liberation
              fonts-wqy-microhei)
# Packages only the tests and benchmarks need.
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev chromium nodejs fpc qpdf poppler-utils liblcms2-dev libxml2-utils
               libjpeg-turbo-progs libemf-dev)
# Packages the fuzzing build needs (scripts/fuzz): it configures the test folders, so their
# libraries too, and clang's libFuzzer runtime comes only with libclang-rt-dev.
FUZZ_PACKAGES=(libgtest-dev libgmock-dev libcpp-httplib-dev liblcms2-dev libemf-dev clang libclang-rt-dev)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs only what is missing, so a second run does not touch apt at all.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  # nodejs from other sources ships its own npm; Debian's nodejs needs the npm package.
  if printf '%s\n' "$@" | grep -qx nodejs && ! command -v npm >/dev/null 2>&1; then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm
  fi
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}
