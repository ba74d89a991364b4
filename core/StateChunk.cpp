#include "core/StateChunk.h"

#include <cstdint>
#include <cstring>

namespace {

// Stored formats are little-endian whatever the machine.
void ToLittle(unsigned char* dst, uint64_t v, int width)
{
  for (int i = 0; i < width; ++i) dst[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t FromLittle(const unsigned char* src, int width)
{
  uint64_t v = 0;
  for (int i = 0; i < width; ++i) v |= static_cast<uint64_t>(src[i]) << (8 * i);
  return v;
}

}  // namespace

bool IStateChunk::Append(const void* data, int count)
{
  const int old = mBuf.Size();
  const long long want = static_cast<long long>(old) + count;
  if (count < 0 || want > 0x7FFFFFFF) return false;
  mBuf.Resize(static_cast<int>(want), false);
  if (mBuf.Size() != want) return false;
  if (count) std::memcpy(static_cast<char*>(mBuf.Data()) + old, data, static_cast<size_t>(count));
  return true;
}

bool IStateChunk::PutInt32(int v)
{
  unsigned char b[4];
  ToLittle(b, static_cast<uint32_t>(v), 4);
  return Append(b, 4);
}

bool IStateChunk::PutDouble(double v)
{
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  unsigned char b[8];
  ToLittle(b, bits, 8);
  return Append(b, 8);
}

bool IStateChunk::PutByte(unsigned char v) { return Append(&v, 1); }

bool IStateChunk::PutText(const char* text)
{
  const size_t len = text ? std::strlen(text) : 0;
  if (len > 0x7FFFFFFF - 4) return false;
  return PutInt32(static_cast<int>(len)) && Append(text, static_cast<int>(len));
}

bool IStateChunk::PutBytes(const void* data, int count) { return Append(data, count); }

bool IStateChunk::Assign(const void* data, int count)
{
  if (count < 0) count = 0;
  mBuf.Resize(count);
  if (mBuf.Size() != count) return false;
  if (count) {
    if (data) {
      std::memcpy(mBuf.Data(), data, static_cast<size_t>(count));
    } else {
      std::memset(mBuf.Data(), 0, static_cast<size_t>(count));
    }
  }
  return true;
}

int IStateChunk::Read(void* out, int width, int pos) const
{
  if (pos < 0 || static_cast<long long>(pos) + width > mBuf.Size()) return -1;
  std::memcpy(out, static_cast<const char*>(mBuf.Data()) + pos, static_cast<size_t>(width));
  return pos + width;
}

int IStateChunk::GetInt32(int* v, int pos) const
{
  unsigned char b[4];
  const int next = Read(b, 4, pos);
  if (next >= 0) *v = static_cast<int>(static_cast<uint32_t>(FromLittle(b, 4)));
  return next;
}

int IStateChunk::GetDouble(double* v, int pos) const
{
  unsigned char b[8];
  const int next = Read(b, 8, pos);
  if (next >= 0) {
    const uint64_t bits = FromLittle(b, 8);
    std::memcpy(v, &bits, 8);
  }
  return next;
}

int IStateChunk::GetByte(unsigned char* v, int pos) const { return Read(v, 1, pos); }

void WriteChunkHeader(IStateChunk& chunk)
{
  chunk.Clear();
  chunk.PutInt32(kChunkMagic);
  chunk.PutInt32(kChunkVersion);
}

int ReadChunkHeader(const IStateChunk& chunk, int* pos)
{
  int magic = 0;
  const int afterMagic = chunk.GetInt32(&magic, *pos);
  if (afterMagic < 0 || magic != kChunkMagic) return 0;
  int version = 0;
  const int afterVersion = chunk.GetInt32(&version, afterMagic);
  if (afterVersion < 0) {
    *pos = -1;
    return 0;
  }
  *pos = afterVersion;
  return version;
}
