#!/usr/bin/python3
# Pelorund — writing music as text.
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints what a Standard MIDI File holds: events, length in ticks and in seconds.

Usage: /usr/bin/python3 scripts/smf-summary.py FILE.mid
Events count every message of every track, meta events included. The length in ticks is the sum
of the delta times of the longest track. Run it with Debian's own python3, which imports mido.
"""
import sys

try:
    import mido
except ImportError:
    sys.exit("smf-summary: cannot import mido; install python3-mido and run /usr/bin/python3")


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: smf-summary.py FILE.mid", file=sys.stderr)
        return 2
    path = sys.argv[1]
    try:
        mid = mido.MidiFile(path)
    except EOFError:
        print(f"smf-summary: cannot read {path}: the file ends too early", file=sys.stderr)
        return 1
    except Exception as error:  # mido raises several kinds on malformed data
        print(f"smf-summary: cannot read {path}: {error or type(error).__name__}", file=sys.stderr)
        return 1

    events = sum(len(track) for track in mid.tracks)
    ticks = max((sum(message.time for message in track) for track in mid.tracks), default=0)
    try:
        seconds = f"{mid.length:.2f} seconds"
    except ValueError:  # format 2 files have no single length in time
        seconds = "length in seconds undefined (format 2)"
    plural = "" if events == 1 else "s"
    print(f"{events} event{plural}, {ticks} ticks ({mid.ticks_per_beat} per quarter note), {seconds}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
