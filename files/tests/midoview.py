#!/usr/bin/env python3
"""Prints python3-mido's view of MIDI files as the notes and channel events
the program's own reader should produce, for the conformance test.

The pairing follows the program's rules, not mido's: a note-off (or a note-on
with velocity 0) ends the oldest sounding note of its channel and key; an
unmatched note-off is dropped; controller 123 ends every sounding note of its
channel and is dropped; a note still sounding at the end lasts to the next
note-on of its channel and key, or to the end of the track. A track ends at
its end-of-track event, as the program reads it. Bank selects are kept as
controllers (the program folds them only for patch sets that ask for it).

Output, per file: FILE path, then ERROR text when mido cannot read it, else
for each track TRACK n followed by one line per event in order:
  N channel key velocity start duration
  E kind channel data1 data2 time      (kind as two hex digits)
"""
import sys

import mido


def track_lines(track):
    out = []  # [kind, fields...] in stream order; notes get their duration later
    pending = {}  # (channel, key) -> list of indexes into out, oldest first
    now = 0
    for msg in track:
        now += msg.time
        if msg.type == 'end_of_track':
            break
        t = msg.type
        if t == 'note_on' and msg.velocity > 0:
            out.append(['N', msg.channel, msg.note, msg.velocity, now, None])
            pending.setdefault((msg.channel, msg.note), []).append(len(out) - 1)
        elif t in ('note_off', 'note_on'):
            waiting = pending.get((msg.channel, msg.note))
            if waiting:
                i = waiting.pop(0)
                out[i][5] = now - out[i][4]
        elif t == 'control_change' and msg.control == 123:
            for (ch, key), waiting in pending.items():
                if ch == msg.channel:
                    for i in waiting:
                        out[i][5] = now - out[i][4]
                    waiting.clear()
        elif t == 'control_change':
            out.append(['E', 0xB0, msg.channel, msg.control, msg.value, now])
        elif t == 'polytouch':
            out.append(['E', 0xA0, msg.channel, msg.note, msg.value, now])
        elif t == 'program_change':
            out.append(['E', 0xC0, msg.channel, msg.program, -1, now])
        elif t == 'aftertouch':
            out.append(['E', 0xD0, msg.channel, msg.value, 0, now])
        elif t == 'pitchwheel':
            bend = msg.pitch + 8192
            out.append(['E', 0xE0, msg.channel, bend & 0x7F, bend >> 7, now])
    end = now
    for i, row in enumerate(out):
        if row[0] == 'N' and row[5] is None:
            nxt = next((r for r in out[i + 1:] if r[0] == 'N' and r[1] == row[1] and r[2] == row[2]), None)
            row[5] = (nxt[4] if nxt else end) - row[4]
    lines = []
    for row in out:
        if row[0] == 'N':
            lines.append('N %d %d %d %d %d' % tuple(row[1:]))
        else:
            lines.append('E %02X %d %d %d %d' % tuple(row[1:]))
    return lines


def main(paths):
    for path in paths:
        print('FILE ' + path)
        try:
            mid = mido.MidiFile(path, clip=False)
        except Exception as e:  # any failure means: mido does not read it
            print('ERROR ' + (str(e).splitlines() or [type(e).__name__])[0])
            continue
        for n, track in enumerate(mid.tracks):
            print('TRACK %d' % n)
            for line in track_lines(track):
                print(line)
    print('END')


if __name__ == '__main__':
    main(sys.argv[1:])
