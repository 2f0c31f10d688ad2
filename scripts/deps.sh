#!/usr/bin/env bash
# Installs what Korvida needs to build, run and test on Debian 12, skipping what is
# already there. Usage: scripts/deps.sh [--test]   (--test adds the test tools)
set -euo pipefail

packages=(cmake ninja-build g++ ccache pkg-config qt6-base-dev
          fonts-liberation2 fonts-ipafont-gothic fonts-ipafont-mincho)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev libmuparser-dev clang libclang-rt-14-dev locales poppler-utils
             xvfb xauth xdotool imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

as_root() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number tests also run under a decimal-comma locale.
if [[ "${1:-}" == "--test" ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root sh -c 'grep -q "^de_DE.UTF-8 UTF-8" /etc/locale.gen || echo "de_DE.UTF-8 UTF-8" >> /etc/locale.gen; locale-gen >/dev/null'
fi
