#pragma once
// The layout of the test module's editor, shared by the module and the
// tests that drive it.

constexpr int kTestEditorWidth = 160;
constexpr int kTestEditorHeight = 100;
constexpr int kTestEditorFrameRate = 25;

// Resource ids of the test images.
constexpr int kBackgroundId = 101;
constexpr int kKnobId = 102;
constexpr int kSwitchId = 103;
constexpr int kLedId = 104;

// Knobs: 24 x 24 frames, 61 of them; the Mix knob and the Pitch knob.
constexpr int kKnobSide = 24;
constexpr int kKnobFrames = 61;
constexpr int kMixKnobX = 20;
constexpr int kPitchKnobX = 60;
constexpr int kKnobY = 20;
// Sequence switch: two 32 x 16 frames.
constexpr int kSwitchX = 100;
constexpr int kSwitchY = 24;
constexpr int kSwitchWidth = 32;
constexpr int kSwitchHeight = 16;
// Indicators: 12 x 12 frames, 61 of them.
constexpr int kLedSide = 12;
constexpr int kLedFrames = 61;
constexpr int kReductionLedX = 20;
constexpr int kGateLedX = 40;
constexpr int kLedY = 70;
