#!/usr/bin/env python3
"""WAV files for the vexa-host script tests, and what is in a WAV file.

  audio_fixture.py write PATH FRAMES CHANNELS SIGNAL [--rate R] [--cut BYTES]
                                                   [--sparse]
      SIGNAL: silence, impulse:AT (full scale at frame AT on every channel),
      tone:HZ (half scale on every channel), or sound:FIRST-LAST (a tone on
      the channels FIRST to LAST, counted from 1, silence on the others).
      16-bit PCM. --cut keeps only the first BYTES bytes (the header still
      announces every frame). --sparse writes silence as a hole the file
      system does not store, so that hours of it take no disk space.
  audio_fixture.py info PATH
      Prints "rate R channels C frames F peak P at I crossings N": the peak
      of all channels and the frame where it first occurs, and the rising
      zero crossings of channel 1 (each after the signal fell below -0.01). Reads 16-bit PCM and 32- or 64-bit float,
      plain or extensible.
"""
import math
import struct
import sys

TAG_PCM, TAG_FLOAT, TAG_EXTENSIBLE = 1, 3, 0xFFFE
FULL_SCALE_16 = 32767
CROSSING_ARM = 0.01


def sample(signal, frame, channel, rate):
    kind, _, arg = signal.partition(':')
    if kind == 'silence':
        return 0.0
    if kind == 'impulse':
        return 1.0 if frame == int(arg) else 0.0
    if kind == 'tone':
        return 0.5 * math.sin(2 * math.pi * float(arg) * frame / rate)
    if kind == 'sound':
        first, last = (int(x) for x in arg.split('-'))
        if first <= channel + 1 <= last:
            return 0.5 * math.sin(2 * math.pi * 440.0 * frame / rate)
        return 0.0
    raise SystemExit('unknown signal ' + signal)


def header(frames, channels, rate):
    data = frames * channels * 2
    return (b'RIFF' + struct.pack('<I', 36 + data) + b'WAVEfmt ' +
            struct.pack('<IHHIIHH', 16, TAG_PCM, channels, rate, rate * channels * 2, channels * 2, 16) +
            b'data' + struct.pack('<I', data))


def write(args):
    path, frames, channels, signal = args[0], int(args[1]), int(args[2]), args[3]
    rate = int(args[args.index('--rate') + 1]) if '--rate' in args else 44100
    cut = int(args[args.index('--cut') + 1]) if '--cut' in args else None
    with open(path, 'wb') as f:
        f.write(header(frames, channels, rate))
        if '--sparse' in args and signal == 'silence':
            f.truncate(f.tell() + frames * channels * 2)
        else:
            block = 4096
            for start in range(0, frames, block):
                values = [sample(signal, k, c, rate) for k in range(start, min(frames, start + block))
                          for c in range(channels)]
                f.write(struct.pack('<%dh' % len(values), *(round(v * FULL_SCALE_16) for v in values)))
        if cut is not None:
            f.truncate(cut)


def chunks(data):
    pos = 12
    while pos + 8 <= len(data):
        name, size = data[pos:pos + 4], struct.unpack('<I', data[pos + 4:pos + 8])[0]
        yield name, data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)


def info(args):
    data = open(args[0], 'rb').read()
    if data[:4] != b'RIFF' or data[8:12] != b'WAVE':
        raise SystemExit('not a WAV file')
    fmt = samples = None
    for name, body in chunks(data):
        if name == b'fmt ':
            fmt = body
        elif name == b'data':
            samples = body
    tag, channels, rate = struct.unpack('<HHI', fmt[:8])
    bits = struct.unpack('<H', fmt[14:16])[0]
    if tag == TAG_EXTENSIBLE:
        tag = struct.unpack('<H', fmt[24:26])[0]
    code = {(TAG_PCM, 16): 'h', (TAG_FLOAT, 32): 'f', (TAG_FLOAT, 64): 'd'}[(tag, bits)]
    count = len(samples) // (bits // 8)
    values = struct.unpack('<%d%s' % (count, code), samples[:count * (bits // 8)])
    scale = FULL_SCALE_16 + 1 if code == 'h' else 1.0
    peak, at, crossings = 0.0, 0, 0
    for i, v in enumerate(values):
        if abs(v) / scale > peak:
            peak, at = abs(v) / scale, i // channels
    # A crossing counts once the signal was clearly below zero, so that
    # the faint ripple of silence around a resampled signal does not.
    armed = False
    for v in values[0::channels]:
        if v / scale < -CROSSING_ARM:
            armed = True
        elif armed and v >= 0:
            crossings, armed = crossings + 1, False
    print('rate %d channels %d frames %d peak %.6f at %d crossings %d' %
          (rate, channels, count // channels, peak, at, crossings))


if __name__ == '__main__':
    if len(sys.argv) < 3 or sys.argv[1] not in ('write', 'info'):
        raise SystemExit(__doc__)
    (write if sys.argv[1] == 'write' else info)(sys.argv[2:])
