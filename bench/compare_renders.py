#!/usr/bin/env python3
"""Renders the same notes through two builds of kaveo.so and compares them sample by sample.

Speed work on the voice engine must not change the sound: every case has to stay within
--limit (default 1e-6, -120 dBFS) of the 'before' build. Needs only the standard library.
"""
import argparse
import concurrent.futures
import math
import operator
import os
import struct
import subprocess
import sys
import tempfile
import time
from array import array

# Indices from plugin/param_table.h; hosts keep automation by them, so they do not move.
P = dict(UNISON_VOICES=1, UNISON_DETUNE=2, OSC_BALANCE=5, OSC1_WAVE=7, OSC1_LOOP=9,
         OSC1_LOOP_LENGTH=14, OSC2_WAVE=16, OSC2_LOOP=18, OSC2_LOOP_LENGTH=23, FILTER_TYPE=25,
         FILTER_CUTOFF=26, FILTER_RES=27, FILTER_ENV=28, FEG_DECAY=30, FEG_SUSTAIN=31, GAIN=34,
         LFO1_FREQ=42, ASSIGN1_SRC=49, ASSIGN1_DEST=50, ASSIGN1_AMOUNT=51, DELAY_ON=73,
         DELAY_WET=79, DELAY_FEEDBACK=80)
FILTERS = {"LP24": 2, "AnaLP": 5}
SILENT = 1e-4  # a 'before' render below this proves nothing
WORKLOAD_PROGRAM = 10  # Pipe Organ: recorded samples in both sets, A and B
RATE_PROGRAMS = [0, 10, 47, 76, 91, 106, 120]  # keys, organ, strings, unison lead, bass, pad, loop


def choice(k, n):
    return (k + 0.5) / n  # how the plug-in stores choice k of n


# Held notes, starts on and off the 32-frame control grid, note-offs, a chord, then a burst
# of 36 notes, more than the voices there are, so some are stolen.
PHRASE = ",".join(
    ["36:0s:4.2s:90", "64:0.0113s:2.6s:70", "67:0.2517s:0.61s:110", "71:0.5033s:0.37s:50",
     "74:0.7771s:0.93s:127"]
    + [f"{k}:1.2345s:1.1s:100" for k in (60, 64, 67, 72)]
    + [f"{40 + i}:{2.5 + i * 0.0061:.4f}s:0.45s:{40 + i * 37 % 87}" for i in range(36)])


def workload(filter_name, unison=1, notes=32):
    """bench/bench_host.h's workload_patch over the program's recorded sets, notes held 3 s."""
    values = dict(OSC1_WAVE=choice(0, 6), OSC2_WAVE=choice(1, 6), OSC1_LOOP=1, OSC2_LOOP=1,
                  OSC1_LOOP_LENGTH=1, OSC2_LOOP_LENGTH=1, OSC_BALANCE=0.5, GAIN=0.5,
                  FILTER_TYPE=choice(FILTERS[filter_name], 7), FILTER_CUTOFF=0.4, FILTER_RES=0.5,
                  FILTER_ENV=0.8, FEG_DECAY=0.6, FEG_SUSTAIN=0.3, LFO1_FREQ=0.4,
                  ASSIGN1_SRC=choice(3, 8), ASSIGN1_DEST=choice(P["FILTER_CUTOFF"], 128),
                  ASSIGN1_AMOUNT=0.7, DELAY_ON=choice(1, 2), DELAY_WET=0.8, DELAY_FEEDBACK=0.85,
                  UNISON_VOICES=choice(unison - 1, 6), UNISON_DETUNE=0.5)
    args = ["--program", str(WORKLOAD_PROGRAM), "--block", "512", "--tail", "1",
            "--notes", ",".join(f"{k}:0s:3s" for k in range(40, 40 + notes))]
    for name, v in values.items():
        args += ["--param", f"{P[name]}={v!r}"]
    return args


def cases():
    def program(n, rate, block):
        return (f"program {n:3} block {block} {rate} Hz",
                ["-r", str(rate), "--block", str(block), "--program", str(n), "--tail", "1",
                 "--notes", PHRASE])

    def workloads(rate):
        return [(f"workload {f} {rate} Hz", ["-r", str(rate)] + workload(f)) for f in FILTERS] + [
            (f"workload unison 6 AnaLP {rate} Hz", ["-r", str(rate)] + workload("AnaLP", 6, 5))]

    out = [program(n, 44100, 333 if n % 2 else 512) for n in range(128)] + workloads(44100)
    for rate in (48000, 96000):
        out += [program(n, rate, 333 if n % 2 else 512) for n in RATE_PROGRAMS] + workloads(rate)
    return out


def read_wav(path):
    """(rate, channels, samples) of a 32-bit float WAV, as kaveo-render writes it."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path} is not a WAV file")
    pos, fmt = 12, None
    while pos + 8 <= len(data):
        kind, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        if kind == b"fmt ":
            fmt = struct.unpack_from("<HHI6xH", data, pos + 8)
        elif kind == b"data":
            if fmt is None or fmt[0] != 3 or fmt[3] != 32:
                raise ValueError(f"{path} is not 32-bit float")
            return fmt[2], fmt[1], array("f", data[pos + 8:pos + 8 + size])
        pos += 8 + size + (size & 1)
    raise ValueError(f"{path} has no data")


def db(x):
    return 20 * math.log10(x) if x > 0 else -math.inf


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--before", required=True, help="the reference kaveo.so")
    ap.add_argument("--after", required=True, help="the kaveo.so under test")
    ap.add_argument("--render", help="kaveo-render (default: the one beside --after)")
    ap.add_argument("--limit", type=float, default=1e-6, help="largest difference allowed")
    ap.add_argument("--jobs", type=int, default=2, help="cases rendered at once")
    a = ap.parse_args()
    render = a.render or os.path.join(os.path.dirname(os.path.abspath(a.after)), "kaveo-render")
    if not os.access(render, os.X_OK):
        sys.exit(f"no kaveo-render at {render} (--render)")
    started = time.monotonic()

    with tempfile.TemporaryDirectory(prefix="kaveo-compare-") as tmp:
        sides = {}
        for side, plugin in (("before", a.before), ("after", a.after)):
            # Each build gets its own data folder, so a user's default bank cannot stand in
            # for the factory programs. The first start writes the factory bank there: done
            # once here rather than by racing renders.
            env = dict(os.environ, XDG_DATA_HOME=os.path.join(tmp, side))
            r = subprocess.run([render, "--info", "-p", plugin], env=env, capture_output=True,
                               text=True)
            if r.returncode:
                sys.exit(f"{side}: {r.stderr.strip()}")
            sides[side] = (plugin, env)

        def run(case):
            index, (name, args) = case
            wavs = {}
            for side, (plugin, env) in sides.items():
                out = os.path.join(tmp, f"{index}.{side}.wav")
                r = subprocess.run([render, "-q", "-f", "float", "-p", plugin, "-o", out] + args,
                                   env=env, capture_output=True, text=True)
                if r.returncode:
                    return name, 0.0, math.inf, f"{side} render failed: {r.stderr.strip()}"
                wavs[side] = read_wav(out)
                os.remove(out)
            (rate, channels, old), (new_rate, new_channels, new) = wavs["before"], wavs["after"]
            peak = max(map(abs, old), default=0.0)
            if (rate, channels, len(old)) != (new_rate, new_channels, len(new)):
                return name, peak, math.inf, f"lengths differ: {len(old)} and {len(new)} samples"
            diff = max(map(abs, map(operator.sub, old, new)), default=0.0)
            why = ("silent before" if peak < SILENT else
                   f"over the limit {a.limit:g}" if diff > a.limit else "")
            return name, peak, diff, why

        results = []
        with concurrent.futures.ThreadPoolExecutor(max(1, a.jobs)) as pool:
            for name, peak, diff, why in pool.map(run, enumerate(cases())):
                results.append((diff, name, why))
                print(f"{name:32} peak {db(peak):6.1f} dBFS  diff {diff:.3g} ({db(diff):.1f} dB)"
                      + (f"  FAIL: {why}" if why else ""), flush=True)

    worst, worst_name, _ = max(results, key=lambda r: r[0])
    failed = sum(1 for r in results if r[2])
    print(f"{len(results)} cases in {time.monotonic() - started:.0f} s, worst difference "
          f"{worst:.3g} ({db(worst):.1f} dB) in {worst_name}; {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
