#!/usr/bin/env python3
"""Load and save times of the program's reader and writer side by side with
libsmf and python3-mido, on a generated 16-track file of one million events
and on the largest corpus files; medians, ratios and peak memory.

  run_bench.py --build BUILD_DIR [--corpus DIR] [--work DIR]
  run_bench.py --build BUILD_DIR --baseline OTHER_BUILD_DIR [--reps N]

BUILD_DIR is a Release build holding bin/kv_files_bench and bin/kvtool.
libsmf (Debian libsmf-dev) is compiled here, for this comparison only.

With --baseline, the same files are loaded by two builds of the program
instead (say, before and after a change): the two are run in turns, in one
run, and compared by their medians, throughput and peak memory.
"""
import argparse
import json
import os
import random
import statistics
import struct
import subprocess
import sys
import time


def varlen(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append(0x80 | (v & 0x7F))
        v >>= 7
    return bytes(reversed(out))


def generate(path, tracks=16, messages=1_000_000, division=480, seed=7):
    """Format 1: a conductor track and 16 tracks of notes (note-off as
    note-on velocity 0), controllers, pitch bends, program changes, some
    text and system exclusive, written with running status."""
    rnd = random.Random(seed)
    per_track = messages // tracks
    chunks = []
    cond = varlen(0) + b'\xff\x51\x03\x07\xa1\x20' + varlen(0) + b'\xff\x58\x04\x04\x02\x18\x08'
    cond += varlen(0) + b'\xff\x2f\x00'
    chunks.append(cond)
    for t in range(tracks):
        ch = t % 16
        body = bytearray(varlen(0) + b'\xff\x03' + varlen(7) + b'Track%02d' % t)
        running = None
        count = 0
        sounding = []
        while count < per_track:
            r = rnd.random()
            delta = rnd.choice((0, 0, 10, 30, 60, 120))
            if r < 0.70:
                if sounding and (len(sounding) > 6 or rnd.random() < 0.5):
                    key = sounding.pop(0)
                    status, data = 0x90 | ch, bytes((key, 0))
                else:
                    key = rnd.randrange(36, 96)
                    sounding.append(key)
                    status, data = 0x90 | ch, bytes((key, rnd.randrange(1, 128)))
            elif r < 0.90:
                status, data = 0xB0 | ch, bytes((rnd.choice((1, 7, 10, 11, 64, 74)), rnd.randrange(128)))
            elif r < 0.98:
                status, data = 0xE0 | ch, bytes((rnd.randrange(128), rnd.randrange(128)))
            elif r < 0.99:
                status, data = 0xC0 | ch, bytes((rnd.randrange(128),))
            elif r < 0.995:
                text = b'lyric %d' % count
                body += varlen(delta) + b'\xff\x05' + varlen(len(text)) + text
                running = None
                count += 1
                continue
            else:
                syx = bytes((0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7))
                body += varlen(delta) + b'\xf0' + varlen(len(syx)) + syx
                running = None
                count += 1
                continue
            body += varlen(delta)
            if status != running:
                body.append(status)
                running = status
            body += data
            count += 1
        for key in sounding:
            body += varlen(0) + bytes((0x90 | ch, key, 0))
        body += varlen(0) + b'\xff\x2f\x00'
        chunks.append(bytes(body))
    with open(path, 'wb') as f:
        f.write(b'MThd' + struct.pack('>IHHH', 6, 1, len(chunks), division))
        for c in chunks:
            f.write(b'MTrk' + struct.pack('>I', len(c)) + c)
    return messages


def peak_kb(cmd):
    r = subprocess.run(['/usr/bin/time', '-v'] + cmd, capture_output=True, text=True)
    for line in r.stderr.splitlines():
        if 'Maximum resident set size' in line:
            return int(line.split()[-1])
    return None


def kv_times(bench, path, reps):
    r = subprocess.run([bench, '--benchmark_repetitions=%d' % reps, '--benchmark_report_aggregates_only=true',
                        '--benchmark_format=json', path], capture_output=True, text=True, check=True)
    out = {}
    for b in json.loads(r.stdout)['benchmarks']:
        if b.get('aggregate_name') == 'median':
            kind = b['run_name'].split('/')[0]
            out[kind] = b['real_time']
            if kind == 'load':
                out['events'] = b.get('events')
    return out


def smf_times(exe, path, reps):
    out = {}
    r = subprocess.run([exe, 'load', path, str(reps)], capture_output=True, text=True)
    if r.returncode == 0:
        out['load'] = statistics.median(float(x) for x in r.stdout.split())
    r = subprocess.run([exe, 'save', path, '/tmp/libsmf-bench.mid', str(reps)], capture_output=True, text=True)
    if r.returncode == 0:
        out['save'] = statistics.median(float(x) for x in r.stdout.split())
    return out


def mido_times(path, reps):
    import mido
    out = {}
    loads = []
    mid = None
    try:
        for _ in range(reps):
            t0 = time.perf_counter()
            mid = mido.MidiFile(path)
            loads.append((time.perf_counter() - t0) * 1e3)
    except Exception:
        return out
    out['load'] = statistics.median(loads)
    saves = []
    for _ in range(reps):
        t0 = time.perf_counter()
        mid.save('/tmp/mido-bench.mid')
        saves.append((time.perf_counter() - t0) * 1e3)
    out['save'] = statistics.median(saves)
    return out


def process_ms(cmd):
    """Wall time of a whole process, in milliseconds."""
    t0 = time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return (time.perf_counter() - t0) * 1e3


def compare_builds(baseline, build, files, reps):
    """Loads every file with both builds, taking turns so that the machine's
    state weighs on both alike."""
    builds = (('before', baseline), ('after', build))
    for path in files:
        size = os.path.getsize(path)
        loads = {name: [] for name, _ in builds}
        wholes = {name: [] for name, _ in builds}
        events = {}
        for _ in range(3):
            for name, b in builds:
                t = kv_times(os.path.join(b, 'bin', 'kv_files_bench'), path, reps)
                loads[name].append(t['load'])
                events[name] = int(t.get('events') or 0)
        for _ in range(reps):
            for name, b in builds:
                wholes[name].append(process_ms([os.path.join(b, 'bin', 'kvtool'), 'info', path]))
        print('\n%s: %d bytes, %s Events after loading' % (os.path.basename(path), size, events['after']))
        if events['before'] != events['after']:
            print('  Event counts differ: before %d, after %d' % (events['before'], events['after']))
        print('  %-7s %10s %8s %16s %8s %12s' % ('', 'load ms', 'MB/s', 'kvtool info ms', 'MB/s', 'peak RSS KB'))
        load = {}
        for name, b in builds:
            load[name] = statistics.median(loads[name])
            whole = statistics.median(wholes[name])
            print('  %-7s %10.2f %8.1f %16.2f %8.1f %12d'
                  % (name, load[name], size / 1e3 / load[name], whole, size / 1e3 / whole,
                     peak_kb([os.path.join(b, 'bin', 'kvtool'), 'info', path])))
        print('  load speed-up %.2fx; memory budget 2 x (file + 12 B/event) = %d KB'
              % (load['before'] / load['after'], 2 * (size + 12 * events['after']) / 1024))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--build', required=True)
    ap.add_argument('--baseline', help='another build to compare load times with, instead of libsmf and mido')
    ap.add_argument('--corpus', default=os.path.join(os.path.dirname(__file__), '../../../shared/corpus'))
    ap.add_argument('--work', default='/tmp/kvbench')
    ap.add_argument('--reps', type=int, default=9)
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    here = os.path.dirname(os.path.abspath(__file__))
    bench = os.path.join(args.build, 'bin', 'kv_files_bench')
    kvtool = os.path.join(args.build, 'bin', 'kvtool')
    if args.baseline:
        generated = os.path.join(args.work, 'generated-16x1M.mid')
        if not os.path.exists(generated):
            generate(generated)
        corpus = sorted((os.path.getsize(os.path.join(r, n)), os.path.join(r, n))
                        for r, _, names in os.walk(args.corpus) for n in names
                        if n.lower().endswith(('.mid', '.midi', '.rmi')))
        compare_builds(args.baseline, args.build, [generated] + ([corpus[-1][1]] if corpus else []), args.reps)
        return
    smf_exe = os.path.join(args.work, 'libsmf_bench')
    flags = subprocess.run(['pkg-config', '--cflags', '--libs', 'smf'], capture_output=True, text=True,
                           check=True).stdout.split()
    subprocess.run(['cc', '-O2', os.path.join(here, 'libsmf_bench.c'), '-o', smf_exe] + flags, check=True)

    generated = os.path.join(args.work, 'generated-16x1M.mid')
    generate(generated)
    corpus = []
    for root, _, names in os.walk(args.corpus):
        for n in names:
            p = os.path.join(root, n)
            if n.lower().endswith(('.mid', '.midi', '.rmi')):
                corpus.append((os.path.getsize(p), p))
    corpus.sort()
    largest = corpus[-1][1]
    largest_mid = [p for _, p in corpus if p.lower().endswith('.mid')][-1]
    tiny = [p for _, p in corpus][0]
    files = [generated, largest] + ([largest_mid] if largest_mid != largest else [])

    base_kv = peak_kb([kvtool, 'info', tiny])
    base_smf = peak_kb([smf_exe, 'load', tiny, '1'])
    base_py = peak_kb([sys.executable, '-c', 'import mido,sys; mido.MidiFile(sys.argv[1])', tiny])
    print('baseline peak RSS (smallest corpus file): kvtool %d KB, libsmf %d KB, mido %d KB'
          % (base_kv, base_smf or 0, base_py or 0))
    rows = []
    for path in files:
        size = os.path.getsize(path)
        kv = kv_times(bench, path, args.reps)
        smf = smf_times(smf_exe, path, args.reps)
        md = mido_times(path, 3 if size > 1_000_000 else args.reps)
        mem = (peak_kb([kvtool, 'info', path]), peak_kb([smf_exe, 'load', path, '1']),
               peak_kb([sys.executable, '-c', 'import mido,sys; mido.MidiFile(sys.argv[1])', path]))
        rows.append((path, size, kv, smf, md, mem))

    def f(v):
        return '%.2f' % v if v is not None else 'n/a'

    def ratio(a, b):
        return '%.1fx' % (a / b) if a is not None and b else 'n/a'

    for path, size, kv, smf, md, mem in rows:
        events = int(kv.get('events') or 0)
        print('\n%s: %d bytes, %d Events after loading' % (os.path.basename(path), size, events))
        print('  %-8s %12s %12s %10s %14s' % ('', 'load ms', 'save ms', 'load MB/s', 'peak RSS KB'))
        for name, t, m in (('kv', kv, mem[0]), ('libsmf', smf, mem[1]), ('mido', md, mem[2])):
            mbs = size / 1e6 / (t['load'] / 1e3) if t.get('load') else None
            print('  %-8s %12s %12s %10s %14s' % (name, f(t.get('load')), f(t.get('save')), f(mbs), m))
        print('  libsmf/kv: load %s, save %s; mido/kv: load %s, save %s'
              % (ratio(smf.get('load'), kv.get('load')), ratio(smf.get('save'), kv.get('save')),
                 ratio(md.get('load'), kv.get('load')), ratio(md.get('save'), kv.get('save'))))
        budget = 2 * (size + 12 * events) / 1024
        print('  kv peak RSS above baseline: %d KB; budget 2 x (file + 12 B/event) = %d KB'
              % (mem[0] - base_kv, budget))


if __name__ == '__main__':
    main()
