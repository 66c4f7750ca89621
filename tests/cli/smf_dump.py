#!/usr/bin/python3
"""Reads a Standard MIDI File with mido (an independent parser) and prints one line per event.

Lines: "<absolute tick> on|off <channel> <key> <velocity>" for notes, "<tick> pitchwheel <channel>
<value>" for bends, "<tick> end" for the end of each track; the first line is
"format <n> tracks <n> division <n>". A note-on with velocity 0 is printed as "off".

With --all, other events are printed too: "<tick> control <channel> <controller> <value>",
"<tick> program <channel> <program>", "<tick> tempo <microseconds per quarter>", "<tick> sysex
<hex bytes between F0 and F7>", "<tick> text|copyright|marker|cue <text>" (code page 932 decoded),
"<tick> meta7f <hex bytes>", and a last line "seconds <playing time>".
"""
import sys

import mido

everything = "--all" in sys.argv[1:]
smf = mido.MidiFile([a for a in sys.argv[1:] if a != "--all"][0])
texts = {"text": "text", "copyright": "copyright", "marker": "marker", "cue_marker": "cue"}


def hexbytes(data):
    return " ".join(f"{b:02X}" for b in data)


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
        elif not everything:
            pass
        elif message.type == "control_change":
            print(f"{tick} control {message.channel} {message.control} {message.value}")
        elif message.type == "program_change":
            print(f"{tick} program {message.channel} {message.program}")
        elif message.type == "set_tempo":
            print(f"{tick} tempo {message.tempo}")
        elif message.type == "sysex":
            print(f"{tick} sysex {hexbytes(message.data)}")
        elif message.type in texts:
            # mido reads text as latin-1; the bytes are code page 932.
            print(f"{tick} {texts[message.type]} {message.text.encode('latin-1').decode('cp932', 'replace')}")
        elif message.type == "sequencer_specific":
            print(f"{tick} meta7f {hexbytes(message.data)}")
if everything:
    print(f"seconds {smf.length:.1f}")
