#include "base/GrowBuffer.h"

#include <cstdlib>
#include <climits>

IGrowBuffer::IGrowBuffer(int granularity) : mGranularity(granularity) {}

IGrowBuffer::~IGrowBuffer() { std::free(mData); }

long long IGrowBuffer::AllocationFor(int n, int granularity)
{
  if (n <= 0) return 0;
  long long g = n / 2;
  if (g < granularity) g = granularity;
  long long a;
  if (granularity < 4096) {
    a = g + n;
  } else {
    g &= ~4095LL;
    if (g < 4096) g = 4096;
    if (g > 0x400000) g = 0x400000;
    a = ((static_cast<long long>(n) + 96 + g) & ~4095LL) - 96;
  }
  return a > INT_MAX ? -1 : a;
}

void* IGrowBuffer::Resize(int n, bool allowShrink)
{
  if (n < 0) n = 0;
  if (n == mSize && (!allowShrink || n >= mAllocated / 2)) return mSize ? mData : nullptr;

  int floor = 0;
  if (allowShrink && n < mSize) {
    const long long half = mAllocated / 2;
    const long long less = static_cast<long long>(mAllocated) - 4LL * mGranularity;
    long long f = half < less ? half : less;
    if (f < 1) f = 1;
    floor = static_cast<int>(f);
  }

  if (n > mAllocated || n < floor) {
    const long long want = AllocationFor(n, mGranularity);
    if (want < 0) return mSize ? mData : nullptr;  // too large: as out of memory
    if (want != mAllocated) {
      if (want == 0) {
        std::free(mData);
        mData = nullptr;
        mSize = mAllocated = 0;
        return nullptr;
      }
      // realloc keeps the first min(n, old size) bytes, in place when possible.
      void* p = std::realloc(mData, static_cast<size_t>(want));
      if (!p) return mSize ? mData : nullptr;
      mData = p;
      mAllocated = static_cast<int>(want);
    }
  }
  mSize = n;
  return n ? mData : nullptr;
}

void IGrowString::Set(const char* text, int maxLength)
{
  int len = 0;
  if (text) {
    while (text[len] && (maxLength <= 0 || len < maxLength)) ++len;
  }
  SetAt(0, text, len);
  if (len == 0) {
    mBuf.Resize(1);
    if (mBuf.Size() == 1) static_cast<char*>(mBuf.Data())[0] = 0;
  }
}

void IGrowString::SetAt(int pos, const char* text, int length)
{
  if (pos < 0) pos = 0;
  if (pos > Length()) pos = Length();
  if (length <= 0 || !text) {
    if (pos == 0) {
      mBuf.Resize(0);
      return;
    }
    length = 0;
  }
  // The source may live in our own buffer, which may move: remember its offset.
  const char* base = static_cast<const char*>(mBuf.Data());
  const bool inside = base && text >= base && text < base + mBuf.Size();
  const long long offset = inside ? text - base : 0;

  const int want = pos + length + 1;
  if (want <= mBuf.Size()) {
    // Shrinking or same size: move first, while every byte is still there.
    char* d = static_cast<char*>(mBuf.Data());
    if (length) std::memmove(d + pos, inside ? d + offset : text, static_cast<size_t>(length));
    d[pos + length] = 0;
    mBuf.Resize(want);
    return;
  }
  mBuf.Resize(want);
  if (mBuf.Size() != want) return;
  char* d = static_cast<char*>(mBuf.Data());
  if (length) std::memmove(d + pos, inside ? d + offset : text, static_cast<size_t>(length));
  d[pos + length] = 0;
}

const char* IGrowString::Get() const
{
  return mBuf.Size() ? static_cast<const char*>(mBuf.Data()) : "";
}

int IGrowString::Length() const
{
  return mBuf.Size() ? static_cast<int>(std::strlen(Get())) : 0;
}
