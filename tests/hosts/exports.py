"""Reading and comparing Ardour's float WAV exports in the host tests.

Ardour's headless export does not always start capturing at the same
transport position: on a busy machine the test signal now and then begins
a few frames later in the file than usual (seen: 16 frames). The signal,
Vexa's output for it and the comparison are unchanged otherwise, so two
exports are compared bit for bit from their signal's onset on, and the
offset between them is reported.
"""

import struct
import sys

# The largest start offset taken as Ardour's and not as a fault: less than
# one engine cycle of its dummy backend.
MAX_OFFSET_FRAMES = 256
CHANNELS = 2
SAMPLE_BYTES = 4


def samples(path):
    """The bytes of the data chunk of a WAV file."""
    data = open(path, "rb").read()
    i = 12
    while i + 8 <= len(data):
        n = struct.unpack("<I", data[i + 4:i + 8])[0]
        if data[i:i + 4] == b"data":
            return data[i + 8:i + 8 + n]
        i += 8 + n + (n & 1)
    sys.exit("FAIL: no audio in " + path)


def onset(data):
    """The first frame with a sample that is not zero, or None."""
    frame = CHANNELS * SAMPLE_BYTES
    values = struct.unpack("<%df" % (len(data) // SAMPLE_BYTES), data[:len(data) // frame * frame])
    for i, v in enumerate(values):
        if v != 0.0:
            return i // CHANNELS
    return None


def aligned_equal(a, b):
    """(equal, offset, frames compared): whether export a equals b bit for bit
    once their onsets are aligned; offset is a's onset minus b's."""
    oa, ob = onset(a), onset(b)
    if oa is None or ob is None:
        return a == b, 0, 0
    offset = oa - ob
    frame = CHANNELS * SAMPLE_BYTES
    if abs(offset) > MAX_OFFSET_FRAMES:
        return False, offset, 0
    if offset >= 0:
        x, y = a[offset * frame:], b
    else:
        x, y = a, b[-offset * frame:]
    n = min(len(x), len(y)) // frame * frame
    # The part cut off is only the offset's frames at the end.
    return n > 0 and x[:n] == y[:n] and len(a) == len(b), offset, n // frame


def describe(offset, frames):
    """The words a check adds about the alignment it used."""
    if offset == 0:
        return "%d frames" % frames
    return "%d frames; the signal starts %d frames %s in Ardour's export" % (
        frames, abs(offset), "later" if offset > 0 else "earlier")
