"""The editor's geometry: its size and every control's image, position and
frames, in the order the editor adds them. The generator draws to these
sizes and the preview composes the images at these positions."""

from dataclasses import dataclass

EDITOR_WIDTH = 764
EDITOR_HEIGHT = 222

KNOB_FRAMES = 61
KNOB_HEIGHT = 72
PITCH_FRAMES = 25
SWITCH_FRAMES = 2
LED_FRAMES = 61
LED_SIZE = 30


@dataclass(frozen=True)
class Control:
    image: str   # file name in resources/img
    x: int
    y: int
    width: int   # one frame
    height: int  # one frame
    frames: int

    @property
    def right(self):
        return self.x + self.width

    @property
    def bottom(self):
        return self.y + self.height

    @property
    def centre_x(self):
        return self.x + self.width / 2.0


BACKGROUND = Control("BG.png", 0, 0, EDITOR_WIDTH, EDITOR_HEIGHT, 1)
Q = Control("BAND.png", 164, 62, 66, KNOB_HEIGHT, KNOB_FRAMES)
FREQUENCY = Control("FREQ.png", 71, 62, 67, KNOB_HEIGHT, KNOB_FRAMES)
ATTACK = Control("ATK.png", 257, 62, 66, KNOB_HEIGHT, KNOB_FRAMES)
RELEASE = Control("REL.png", 350, 62, 66, KNOB_HEIGHT, KNOB_FRAMES)
INTENSITY = Control("INTEN.png", 444, 62, 67, KNOB_HEIGHT, KNOB_FRAMES)
MIX = Control("MIX.png", 563, 62, 67, KNOB_HEIGHT, KNOB_FRAMES)
OUTPUT = Control("OUT.png", 657, 62, 65, KNOB_HEIGHT, KNOB_FRAMES)
PITCH = Control("PITCH.png", 351, 193, 122, 30, PITCH_FRAMES)
SEQUENCE = Control("SEQ.png", 0, 192, 122, 30, SWITCH_FRAMES)
ENVELOPE_LED = Control("DLED.png", 323, 38, LED_SIZE, LED_SIZE, LED_FRAMES)
GATE_LED = Control("SLED.png", 109, 192, LED_SIZE, LED_SIZE, LED_FRAMES)

# Drawing order of the editor.
CONTROLS = [BACKGROUND, Q, FREQUENCY, ATTACK, RELEASE, INTENSITY, MIX, OUTPUT,
            PITCH, SEQUENCE, ENVELOPE_LED, GATE_LED]

KNOBS = [FREQUENCY, Q, ATTACK, RELEASE, INTENSITY, MIX, OUTPUT]


def frame_for(control, value):
    """Frame index (from 0) the editor shows for a normalized value."""
    n = control.frames
    return min(max(int((n - 1) * value + 0.5), 0), n - 1)
