#pragma once
// The library's entry point: VSTPluginMain (also exported as "main").

#include "base/Lock.h"
#include "vst/PlugVST.h"

// Builds one instance of the effect per call; returns its record or null.
// Defined once per module, by the effect.
extern "C" VEXA_EXPORT AEffect* VSTPluginMain(audioMasterCallback host);

// The process-wide lock that serialises instance construction.
ILock& EntryLock();

// The body of VSTPluginMain: under the entry lock, builds one instance with
// create (which returns null when memory is short), fills the preset slots the
// effect left empty and returns the record.
AEffect* MakeEffect(IPlugVST* (*create)(audioMasterCallback), audioMasterCallback host);
