#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Brackwater need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libmodbus-dev libfmt-dev mbpoll
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth
  python3-pymodbus python3-serial python3-serial-asyncio  # pymodbus imports both; Debian only recommends them
  libpcap-dev tshark help2man
)
PACKAGES+=("$@")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# tshark's package asks whether ordinary users may capture; the tool only reads files.
echo "wireshark-common wireshark-common/install-setuid boolean false" | $SUDO debconf-set-selections
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
