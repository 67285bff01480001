#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building, running and testing
# Korvelin needs, and only those that are missing. Works as root or through sudo;
# does nothing when everything is present.
set -euo pipefail

packages=(
  # build
  g++ cmake make pkg-config
  qt6-base-dev qt6-qpa-plugins fonts-wqy-microhei libicu-dev libcurl4-openssl-dev libpcre2-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # the sanitizer build and the fuzz targets
  clang libclang-rt-14-dev
  # the real window under a real X server, read through the accessibility tree
  xvfb xauth xdotool dbus dbus-x11 at-spi2-core python3 python3-pyatspi
  # test servers: TLS with certificates made at test time, a real proxy
  openssl libssl-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
