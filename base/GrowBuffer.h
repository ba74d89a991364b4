#pragma once
// Growable byte blocks: the storage behind every list, text, scratch audio
// buffer and state chunk of the plug-in.

#include <cstring>

// A growable block of bytes. Owns its heap block and releases it in its
// destructor. Not thread-safe: the owner's lock (the instance lock for
// everything the plug-in core holds) serialises access.
class IGrowBuffer
{
public:
  // granularity: 4096 for lists, scratch buffers and chunks, 128 for texts.
  explicit IGrowBuffer(int granularity = 4096);
  ~IGrowBuffer();
  IGrowBuffer(const IGrowBuffer&) = delete;
  IGrowBuffer& operator=(const IGrowBuffer&) = delete;

  // Sets the used size to n bytes (negative counts as 0), reallocating by the
  // growth rules below. Returns the data pointer, or null when n is 0. When
  // memory cannot be had nothing changes and the old pointer is returned;
  // callers compare Size() with what they asked for.
  void* Resize(int n, bool allowShrink = true);

  void* Data() const { return mData; }
  int Size() const { return mSize; }
  int Allocated() const { return mAllocated; }
  int Granularity() const { return mGranularity; }

  // The allocated byte count Resize would choose for n bytes; -1 when the
  // count does not fit a 32-bit size.
  static long long AllocationFor(int n, int granularity);

private:
  void* mData = nullptr;
  int mAllocated = 0;
  int mSize = 0;
  int mGranularity;
};

// An ordered list of owning pointers to T, stored 4 or 8 bytes per element in
// an IGrowBuffer. Destroys its elements (last first) when it is destroyed.
template <class T>
class IPtrList
{
public:
  IPtrList() : mBuf(4096) {}
  ~IPtrList() { DeleteAll(); }
  IPtrList(const IPtrList&) = delete;
  IPtrList& operator=(const IPtrList&) = delete;

  int Count() const { return mBuf.Size() / static_cast<int>(sizeof(T*)); }
  T* Get(int i) const
  {
    if (i < 0 || i >= Count()) return nullptr;
    return static_cast<T**>(mBuf.Data())[i];
  }
  // Appends p and takes ownership. Returns false (and keeps no reference) when
  // the list could not grow; the caller still owns p then.
  bool Add(T* p)
  {
    const int old = mBuf.Size();
    const int want = old + static_cast<int>(sizeof(T*));
    mBuf.Resize(want, false);
    if (mBuf.Size() != want) return false;
    std::memcpy(static_cast<char*>(mBuf.Data()) + old, &p, sizeof(T*));
    return true;
  }
  // Inserts p at the front and takes ownership; false when it could not grow.
  bool Insert(T* p)
  {
    if (!Add(p)) return false;
    T** items = static_cast<T**>(mBuf.Data());
    std::memmove(items + 1, items, sizeof(T*) * (Count() - 1));
    items[0] = p;
    return true;
  }
  void DeleteAll()
  {
    for (int i = Count() - 1; i >= 0; --i) delete Get(i);
    mBuf.Resize(0);
  }

private:
  IGrowBuffer mBuf;
};

// A NUL-terminated text in an IGrowBuffer of granularity 128. Owns its bytes.
// Not thread-safe (the owner's lock applies).
class IGrowString
{
public:
  IGrowString() : mBuf(128) {}

  // Copies text, at most maxLength characters (0 or less: no limit), and a
  // terminator. An empty or null text leaves a one-byte buffer holding the
  // terminator.
  void Set(const char* text, int maxLength = 0);
  // Makes the string its first pos bytes, then length characters of text and a
  // terminator. length 0 with pos 0 empties it. text may point into this
  // string's own buffer.
  void SetAt(int pos, const char* text, int length);

  // The text; never null (an unset string reads as "").
  const char* Get() const;
  int Length() const;

private:
  IGrowBuffer mBuf;
};
