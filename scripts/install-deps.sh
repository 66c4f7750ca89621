#!/usr/bin/env bash
# Pelorund — writing music as text.
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Installs the Debian 12 packages the build, the tests and the programs need. Idempotent: only
# missing packages are installed, all in one apt-get command (installing jackd2 on its own would
# remove librtmidi-dev), and apt-get update runs only when something is missing.
set -euo pipefail

packages=(
  # Build and tests
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev python3 python3-mido midicsv
  # Editor
  qt6-base-dev libqscintilla2-qt6-dev fonts-ipafont-gothic
  # Playback
  librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
  libfluidsynth-dev fluidsynth timgm6mb-soundfont
  # GUI and audio tests
  xvfb xauth imagemagick sox
)

missing=()
for package in "${packages[@]}"; do
  # Not known to dpkg, removed, or half-installed all count as missing.
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: nothing was missing (${#packages[@]} packages already installed)."
  exit 0
fi

sudo=()
if ((EUID != 0)); then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps: missing packages: ${missing[*]}" >&2
    echo "install-deps: not running as root and sudo is not available; install them as root." >&2
    exit 1
  fi
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

echo "install-deps: installing ${#missing[@]} missing package(s): ${missing[*]}"

# jackd2 asks whether to enable realtime priority; answer it up front so the install never blocks.
if ! echo "jackd2 jackd/tweak_rt_limits boolean false" | "${sudo[@]}" debconf-set-selections; then
  echo "install-deps: debconf-set-selections failed." >&2
  exit 1
fi

if ! "${sudo[@]}" apt-get update; then
  echo "install-deps: 'apt-get update' failed; check the network and the apt sources." >&2
  exit 1
fi

if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"; then
  echo "install-deps: 'apt-get install' failed for: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installed ${missing[*]}"
