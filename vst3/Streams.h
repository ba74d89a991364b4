#pragma once
// State bytes between the core's chunks and the host's streams.

#include "core/StateChunk.h"
#include "vst3/Vst3Defs.h"

// The largest state read from a host stream. Vexa's own states are under
// a hundred bytes; anything beyond this bound is not read.
constexpr int kMaxStateBytes = 1 << 20;

// Reads what the stream holds from its position on, up to kMaxStateBytes,
// into chunk. False when the stream is null or refuses to be read.
bool ReadStream(vst3::IBStream* stream, IStateChunk& chunk);
// Writes the chunk's bytes to the stream. False when the stream is null or
// takes fewer bytes than offered.
bool WriteStream(vst3::IBStream* stream, const IStateChunk& chunk);
