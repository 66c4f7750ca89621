#!/usr/bin/env bash
# Pelorund — writing music as text.
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Installs what is missing, builds the programs into build/bin/, compiles the demo song, renders it
# to a WAV file and plays it when there is a device to play on.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

step="starting"
trap 'echo "run.sh: FAILED while ${step}." >&2' ERR

say() {
  step=$1
  printf '\n== run.sh: %s\n' "$1"
}

say "installing missing packages"
scripts/install-deps.sh

say "configuring build/ (Release)"
# Every option is given, so build/ is the same whichever script configured it last.
cmake -S . -B build -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER=g++ \
  -DPELORUND_TESTS=OFF \
  -DPELORUND_BENCH=OFF \
  -DPELORUND_SANITIZE=OFF \
  -DPELORUND_FUZZ=OFF \
  -DPELORUND_CORE_ONLY=OFF

say "building"
cmake --build build -j2

say "compiling examples/demo.mml"
build/bin/pelorund-cli compile examples/demo.mml -o build/demo.mid

say "reading build/demo.mid"
summary=$(/usr/bin/python3 scripts/smf-summary.py build/demo.mid)
echo "run.sh: wrote build/demo.mid: ${summary}"

say "rendering build/demo.wav with the built-in synthesizer"
# The render command names the file, its length in seconds and its size.
rendered=$(build/bin/pelorund-cli render examples/demo.mml -o build/demo.wav)
echo "run.sh: wrote ${rendered}"

say "looking for a device to play on"
# The device list is the default device, every MIDI port, then the built-in synthesizer, which
# needs an audio output (an ALSA playback device, or a PulseAudio or PipeWire server).
device_count=$(build/bin/pelorund-cli devices | wc -l)
runtime_dir=${XDG_RUNTIME_DIR:-/run/user/$(id -u)}
has_audio=no
if compgen -G '/dev/snd/pcmC*p' >/dev/null || [[ -n "${PULSE_SERVER:-}" ]] ||
  [[ -S "${runtime_dir}/pulse/native" ]] || [[ -S "${runtime_dir}/pipewire-0" ]]; then
  has_audio=yes
fi
if ((device_count > 2)) || [[ "${has_audio}" == yes ]]; then
  say "playing examples/demo.mml (Ctrl+C stops)"
  if ! build/bin/pelorund-cli play examples/demo.mml; then
    echo "run.sh: playing did not work here; build/demo.wav holds the song."
  fi
else
  echo "run.sh: no MIDI port and no audio output on this machine; not playing (build/demo.wav holds the song)."
fi
