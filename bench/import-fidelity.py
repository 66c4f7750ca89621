#!/usr/bin/python3
# Pelorund — writing music as text.
# SPDX-License-Identifier: GPL-3.0-or-later
"""Round-trip fidelity of the SMF import: import, compile back, compare the notes.

Usage: /usr/bin/python3 bench/import-fidelity.py [--cli PATH] [--corpus DIR] [--detail] [IMPORT FLAGS...]

Every .mid and .kar file of the corpus (default ../shared/corpus/midi beside the repository) is
imported with `pelorund-cli import` (with the given flags, for example --bend) and the MML is
compiled back with `pelorund-cli compile`. Both SMFs are read with mido, an independent parser.
A note is (channel, key, start, duration, velocity) at 48 ticks per quarter note: times of the
original are converted like the importer does (tick * 48 // division), and a note lasts until the
next note-on or note-off of its key on its channel, or until the end of the song. The share of the
original's notes found exactly in the result is printed per file and in total, with the causes of
loss: for every note that did not come back, what differs from the nearest note that did.
Prints figures only; run it with Debian's python3, which imports mido.
"""
import collections
import os
import subprocess
import sys
import tempfile

try:
    import mido
except ImportError:
    sys.exit("import-fidelity: cannot import mido; install python3-mido and run /usr/bin/python3")

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def notes_of(path):
    """The notes of an SMF at 48 ticks per quarter note, as a list of tuples."""
    smf = mido.MidiFile(path, clip=True)
    division = smf.ticks_per_beat
    events = []  # (tick, track, index, message): a stable order like the importer's
    song_end = 0
    for number, track in enumerate(smf.tracks):
        tick = 0
        for index, message in enumerate(track):
            tick += message.time
            song_end = max(song_end, tick)
            if message.type in ("note_on", "note_off"):
                events.append((tick, number, index, message))
    events.sort(key=lambda e: (e[0], e[1], e[2]))
    open_notes = {}  # (channel, key) -> (start tick, velocity)
    notes = []

    def close(channel, key, tick):
        start, velocity = open_notes.pop((channel, key))
        start48 = start * 48 // division
        notes.append((channel, key, start48, tick * 48 // division - start48, velocity))

    for tick, _, _, message in events:
        slot = (message.channel, message.note)
        if slot in open_notes:
            close(message.channel, message.note, tick)
        if message.type == "note_on" and message.velocity > 0:
            open_notes[slot] = (tick, message.velocity)
    for channel, key in list(open_notes):
        close(channel, key, song_end)
    return notes


def off_grid(path):
    """Notes of the original whose start or end lies between two ticks of the 48 grid."""
    smf = mido.MidiFile(path, clip=True)
    division = smf.ticks_per_beat
    count = 0
    for track in smf.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type in ("note_on", "note_off") and (tick * 48) % division != 0:
                count += 1
    return count


def not_carried(path, flags):
    """Events of the original that the MML text does not carry, by kind."""
    smf = mido.MidiFile(path, clip=True)
    kinds = collections.Counter()
    for track in smf.tracks:
        for message in track:
            kind = message.type
            if kind == "polytouch":
                kinds["polyphonic key pressure"] += 1
            elif kind == "aftertouch":
                kinds["channel pressure"] += 1
            elif kind == "pitchwheel" and "--bend" not in flags:
                kinds["pitch bend (import without --bend)"] += 1
            elif kind == "control_change" and (message.control == 0 or 32 <= message.control <= 51):
                kinds["controllers 0 and 32-51 (bank select, low bytes)"] += 1
            elif kind == "sysex" and len(message.data) + 1 > 255:
                kinds["system exclusive longer than 255 bytes"] += 1
            elif message.is_meta and kind not in ("text", "copyright", "track_name", "instrument_name", "lyrics",
                                                  "marker", "cue_marker", "set_tempo", "end_of_track"):
                kinds[f"meta event '{kind}'"] += 1
    return kinds


def causes(original, result):
    """Why each note of `original` missing from `result` differs: counts by cause."""
    missing = collections.Counter(original) - collections.Counter(result)
    extra = collections.Counter(result) - collections.Counter(original)
    by_start = collections.defaultdict(list)
    for note in extra.elements():
        by_start[note[:3]].append(note)
    reasons = collections.Counter()
    for note in missing.elements():
        channel, key, start, duration, velocity = note
        candidates = by_start.get(note[:3])
        if not candidates:
            if duration == 0:
                reasons["note shorter than 1/48 quarter: not sounded"] += 1
            elif key == 0:
                reasons["key 0 (letter notes reach keys 1-127)"] += 1
            else:
                reasons["no note at that channel, key and start"] += 1
            continue
        other = candidates.pop(0)
        if other[3] != duration and other[4] != velocity:
            reasons["duration and velocity differ"] += 1
        elif other[3] != duration:
            reasons["duration %s (%+d ticks)" % ("longer" if other[3] > duration else "shorter",
                                                 other[3] - duration)] += 1
        else:
            reasons["velocity differs"] += 1
    return reasons


def main():
    args = sys.argv[1:]
    cli = os.path.join(ROOT, "build", "bin", "pelorund-cli")
    corpus = os.path.normpath(os.path.join(ROOT, "..", "shared", "corpus", "midi"))
    detail = False
    flags = []
    while args:
        arg = args.pop(0)
        if arg == "--cli":
            cli = args.pop(0)
        elif arg == "--corpus":
            corpus = args.pop(0)
        elif arg == "--detail":
            detail = True
        else:
            flags.append(arg)
    files = sorted(f for f in os.listdir(corpus) if f.lower().endswith((".mid", ".kar")))
    total_notes = total_exact = 0
    total_reasons = collections.Counter()
    total_not_carried = collections.Counter()
    total_off_grid = total_note_events = 0
    print(f"import flags: {' '.join(flags) or '(none)'}")
    print(f"{'file':42} {'notes':>7} {'exact':>7} {'share':>7} {'length s':>9} {'back s':>9}  main cause of loss")
    with tempfile.TemporaryDirectory() as work:
        for name in files:
            source = os.path.join(corpus, name)
            mml = os.path.join(work, name + ".mml")
            back = os.path.join(work, name + ".back.mid")
            step = subprocess.run([cli, "import", source, "-o", mml, *flags], capture_output=True, text=True)
            if step.returncode != 0:
                print(f"{name:42} import failed: {step.stderr.strip()}")
                continue
            step = subprocess.run([cli, "compile", mml, "-o", back], capture_output=True)
            if step.returncode != 0 or not os.path.exists(back):
                print(f"{name:42} compile failed (exit {step.returncode})")
                continue
            original = notes_of(source)
            result = notes_of(back)
            total_off_grid += off_grid(source)
            total_note_events += sum(1 for t in mido.MidiFile(source, clip=True).tracks
                                     for m in t if m.type in ("note_on", "note_off"))
            total_not_carried.update(not_carried(source, flags))
            seconds = (mido.MidiFile(source, clip=True).length, mido.MidiFile(back).length)
            exact = sum((collections.Counter(original) & collections.Counter(result)).values())
            reasons = causes(original, result)
            total_notes += len(original)
            total_exact += exact
            total_reasons.update(reasons)
            share = 100.0 * exact / len(original) if original else 100.0
            main_cause = reasons.most_common(1)[0][0] if reasons else ""
            print(f"{name:42} {len(original):7} {exact:7} {share:6.2f}% {seconds[0]:9.2f} {seconds[1]:9.2f}  "
                  f"{main_cause}")
            if detail:
                for reason, count in reasons.most_common():
                    print(f"{'':44}{count:7}  {reason}")
    share = 100.0 * total_exact / total_notes if total_notes else 100.0
    print(f"{'total':42} {total_notes:7} {total_exact:7} {share:6.2f}%")
    print("causes of loss over the corpus (notes):")
    for reason, count in total_reasons.most_common():
        print(f"  {count:7}  {reason}")
    if not total_reasons:
        print("        0  (every note came back exactly)")
    if total_note_events:
        print(f"time resolution: {total_off_grid} of {total_note_events} note events "
              f"({100.0 * total_off_grid / total_note_events:.2f}%) lie between two ticks of the 48 grid "
              "and move to the earlier one")
    print("events of the originals that the MML text does not carry:")
    for kind, count in total_not_carried.most_common():
        print(f"  {count:7}  {kind}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
