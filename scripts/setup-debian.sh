#!/usr/bin/env bash
# Installs the Debian 12 packages this project builds, tests and runs with.
# Safe to run again: it installs only what is missing. Needs root or sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
  libqt6opengl6-dev
  libcups2-dev libssl-dev libplist-dev libplist-utils
  libpoppler-qt6-dev libpoppler-cpp-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth fonts-dejavu-core fonts-noto-cjk adwaita-icon-theme
  cups cups-client cups-ipp-utils
  dbus-daemon libqt6printsupport6 python3-gi gir1.2-gtk-3.0
  groff-base dpkg-dev file curl
  chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package the project needs is installed."
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: these packages are missing and I am neither root nor have sudo: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${#missing[@]} Debian packages: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "setup: done."
