#pragma once
// The faults the test module tests/tools/FaultyPlugin.cpp can be told to
// have; the validator's test picks one through FaultyPluginSetFault.

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
};

typedef void (*FaultyPluginSetFaultProc)(int fault);
