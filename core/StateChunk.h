#pragma once
// The byte stream in which plug-in state travels: little-endian numbers,
// length-prefixed texts, no padding.

#include "base/GrowBuffer.h"

constexpr int kChunkMagic = 0x70666674;
constexpr int kChunkVersion = 0x00010000;

// A growable byte stream. Owns its bytes; not thread-safe (the instance lock
// serialises every chunk operation). A read takes a position and returns the
// new position, or -1 when the item does not fit; -1 stays -1.
class IStateChunk
{
public:
  IStateChunk() : mBuf(4096) {}

  bool PutInt32(int v);
  bool PutDouble(double v);
  bool PutByte(unsigned char v);
  bool PutText(const char* text);
  bool PutBytes(const void* data, int count);

  int GetInt32(int* v, int pos) const;
  int GetDouble(double* v, int pos) const;
  int GetByte(unsigned char* v, int pos) const;

  void Clear() { mBuf.Resize(0); }
  // Resizes to count bytes and copies data in (zero-fills when data is null).
  // Returns false when the memory could not be had.
  bool Assign(const void* data, int count);

  int Size() const { return mBuf.Size(); }
  const unsigned char* Data() const { return static_cast<const unsigned char*>(mBuf.Data()); }
  unsigned char* Data() { return static_cast<unsigned char*>(mBuf.Data()); }

private:
  bool Append(const void* data, int count);
  int Read(void* out, int width, int pos) const;

  IGrowBuffer mBuf;
};

// Empties chunk and writes the framework magic and version.
void WriteChunkHeader(IStateChunk& chunk);
// The framework version of the header at *pos, or 0 (with *pos unchanged
// when the magic is absent, -1 when the version is cut off).
int ReadChunkHeader(const IStateChunk& chunk, int* pos);
