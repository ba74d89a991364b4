#pragma once
// The faults the test modules tests/tools/FaultyPlugin.cpp (VST2) and
// FaultyVst3Plugin.cpp (VST3) can be told to have; the validator's test
// picks one through FaultyPluginSetFault. Each module ignores the other's.

enum FaultyPluginFault
{
  kNoFault,
  kNotANumber,        // one output sample is NaN
  kOverrun,           // writes one sample past the end of each block
  kSubnormal,         // one output sample is subnormal
  kWritesEmptyBlock,  // writes into the outputs when asked for no frames
  kNeverSilent,       // adds a constant offset, so silence never comes out
  kReadBackOff,       // getParameter answers 0.05 above what was set
  kLongDisplay,       // parameter display texts of 300 bytes
  kDriftingChunk,     // every saved chunk differs from the one before
  kForgetsChunk,      // restoring a chunk keeps the defaults
  kBrokenByBadChunk,  // a chunk of the wrong size makes the gain NaN
  kEditorBadRect,     // has an editor whose rectangle is inverted
  kEditorWontOpen,    // has an editor that never opens
  kHoardsMemory,      // every closed instance leaves 64 KiB behind
  kEditorSizeOnceOpen,  // not a fault: the editor's size is known only while it is open
  kEditorNeverSized,    // has an editor that never gives its size
  kLeaksSystemObject,   // every closed instance leaves a GDI object (Windows) or open file (Linux) behind
  // Faults of the VST3 test module (tests/tools/FaultyVst3Plugin.cpp).
  kVst3UnknownInterfaceKept,   // an unknown interface refused, the result pointer left as it was
  kVst3IdentityWanders,        // FUnknown answered with another base every second time
  kVst3KeepsReference,         // the component holds a reference on itself from initialize on
  kVst3ArrangementNotApplied,  // mono accepted, the buses still stereo
  kVst3AcceptsImpossibleSetup, // set-ups without sample rate, block size or sample size accepted
  kVst3FirstPointWins,         // a parameter queue's first point stays instead of its last
  kVst3ArrangedWhileActive,    // arrangements accepted while active
};

typedef void (*FaultyPluginSetFaultProc)(int fault);
