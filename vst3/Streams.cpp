#include "vst3/Streams.h"

#include <cstring>

namespace {
// Bytes asked of the host per read call.
constexpr int kReadPiece = 4096;
}  // namespace

bool ReadStream(vst3::IBStream* stream, IStateChunk& chunk)
{
  if (!stream) return false;
  chunk.Clear();
  unsigned char piece[kReadPiece];
  while (chunk.Size() < kMaxStateBytes) {
    const int want = kMaxStateBytes - chunk.Size() < kReadPiece ? kMaxStateBytes - chunk.Size() : kReadPiece;
    int32_t got = 0;
    if (stream->read(piece, want, &got) != vst3::kResultOk) return chunk.Size() > 0;
    // A host that claims more than it was asked for is not believed.
    if (got <= 0 || got > want) break;
    if (!chunk.PutBytes(piece, got)) return false;
  }
  return true;
}

bool WriteStream(vst3::IBStream* stream, const IStateChunk& chunk)
{
  if (!stream) return false;
  int done = 0;
  while (done < chunk.Size()) {
    int32_t wrote = 0;
    const unsigned char* from = chunk.Data() + done;
    if (stream->write(const_cast<unsigned char*>(from), chunk.Size() - done, &wrote) != vst3::kResultOk) return false;
    if (wrote <= 0 || wrote > chunk.Size() - done) return false;
    done += wrote;
  }
  return true;
}
