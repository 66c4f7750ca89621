#!/usr/bin/env bash
# Pictures of the editor for the README and for review, saved as PNG under build/screenshots/:
#   editor-xvfb.png   the pelorund program started under Xvfb with examples/demo.mml
#   editor.png        the main window with the coloured demo song
#   editor-playing.png, compile-log.png, version.png, help.png  the windows after a compile
#   find.png, replace.png, chord-progression.png, chord.png, controls.png  the input windows
#   editor-progression.png  the editor after a chord progression was written
#   live-check.png    the check as you type: an error's wavy line, a warning's margin mark, the status
#   piano-roll.png    the piano roll while the song plays, the sounding note highlighted in the text
#   wav-export.png    the progress dialog of "WAV書き出し"
# Needs Xvfb and ImageMagick (scripts/install-deps.sh installs them). BUILD_DIR overrides build/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$build/screenshots
mkdir -p "$out"

if [[ ! -f $build/build.ninja ]]; then
  cmake -S "$root" -B "$build" -G Ninja
fi
ninja -C "$build" -j2 pelorund pelorund-screenshots pelorund_data pelorund_manual

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# The program opens its default MIDI device at start. Without a sound card, a JACK server with
# the dummy driver and FluidSynth as a JACK client give it one (else it reports the port it cannot open).
soundfont=/usr/share/sounds/sf2/TimGM6mb.sf2
if command -v jackd >/dev/null && command -v fluidsynth >/dev/null && [[ -f $soundfont ]]; then
  export JACK_DEFAULT_SERVER=pelorund-shots-$$
  jackd --no-realtime -d dummy -r 44100 >"$work/jackd.log" 2>&1 &
  pids+=($!)
  sleep 1
  fluidsynth -a jack -m jack -i -s -g 0.3 "$soundfont" >"$work/fluidsynth.log" 2>&1 &
  pids+=($!)
  sleep 2
fi

# 1. The program itself, as a user starts it, captured from the X display.
(cd "$root/examples" && exec "$build/bin/pelorund" demo.mml) >"$work/pelorund.log" 2>&1 &
app=$!
pids+=($app)
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q 'demo.mml - Pelorund' && break
  sleep 0.1
done
sleep 2
import -window root -trim +repage "$out/editor-xvfb.png"
echo "wrote $out/editor-xvfb.png"
kill "$app" 2>/dev/null || true

# 2. The windows that need the program driven: compile with a warning, the log, the version window.
(cd "$root/examples" && "$build/tools/pelorund-screenshots" demo.mml "$out")
