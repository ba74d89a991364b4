#pragma once
// The reference count of an object handed across an interface that counts
// references (a host's objects for a plug-in, a plug-in's for a host).

#include <atomic>
#include <cstdint>

// The references to the object that holds this count, from one (its
// maker's). A member of that object, which owns it. Any thread may add and
// drop references; the count itself is the only thing synchronised.
class RefCount
{
public:
  // One reference more; returns the count after it.
  uint32_t Add() { return ++mRefs; }

  // One reference less, for an object that lives on the stack or as a
  // member and that its owner, holding the first reference, destroys.
  // Returns the count after it.
  uint32_t Drop() { return --mRefs; }

  // One reference less, for an object made with new: the last one deletes
  // holder, the object this count is a member of. Returns the count after
  // it; the holder is gone when that is zero.
  template <class Holder>
  uint32_t DropAndDelete(Holder* holder)
  {
    const uint32_t left = --mRefs;
    if (left == 0) delete holder;
    return left;
  }

private:
  std::atomic<uint32_t> mRefs{1};
};
