#!/usr/bin/python3
"""Reads a Standard MIDI File with mido (an independent parser) and prints one line per event.

Lines: "<absolute tick> on|off <channel> <key> <velocity>" for notes, "<tick> pitchwheel <channel>
<value>" for bends, "<tick> end" for the end of each track; the first line is
"format <n> tracks <n> division <n>". A note-on with velocity 0 is printed as "off".
"""
import sys

import mido

smf = mido.MidiFile(sys.argv[1])
print(f"format {smf.type} tracks {len(smf.tracks)} division {smf.ticks_per_beat}")
for track in smf.tracks:
    tick = 0
    for message in track:
        tick += message.time
        if message.type == "note_on" and message.velocity > 0:
            print(f"{tick} on {message.channel} {message.note} {message.velocity}")
        elif message.type in ("note_on", "note_off"):
            print(f"{tick} off {message.channel} {message.note} 0")
        elif message.type == "pitchwheel":
            print(f"{tick} pitchwheel {message.channel} {message.pitch + 8192}")
        elif message.type == "end_of_track":
            print(f"{tick} end")
