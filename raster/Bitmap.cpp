#include "raster/Bitmap.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "raster/NativeSurface.h"

PixelValue* LICE_RowAddress(LICE_IBitmap* bitmap, int y)
{
  PixelValue* base = bitmap->Pixels();
  const long long stride = bitmap->Stride();
  const long long row = bitmap->IsBottomUp() ? bitmap->Height() - 1 - y : y;
  return base + row * stride;
}

long long LICE_RowStep(LICE_IBitmap* bitmap)
{
  const long long stride = bitmap->Stride();
  return bitmap->IsBottomUp() ? -stride : stride;
}

LICE_MemBitmap::LICE_MemBitmap(int width, int height, int rowAlignMask) : mRowAlignMask(rowAlignMask)
{
  if (width > 0 && height > 0) Resize(width, height);
}

LICE_MemBitmap::~LICE_MemBitmap() { std::free(mRaw); }

PixelValue* LICE_MemBitmap::Pixels()
{
  if (!mRaw) return nullptr;
  const uintptr_t a = (reinterpret_cast<uintptr_t>(mRaw) + 63) & ~static_cast<uintptr_t>(63);
  return reinterpret_cast<PixelValue*>(a);
}

bool LICE_MemBitmap::Resize(int width, int height)
{
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  // The byte count is computed wide; a count beyond a 32-bit size is treated
  // like a failed allocation.
  long long size = 0;
  if (width >= 1 && height >= 1) {
    const long long mask = mRowAlignMask;
    size = static_cast<long long>(height) * ((width + mask) & ~mask) * 4;
    if (size > INT_MAX - 63) size = -1;
  }
  if (size > 0) {
    if (!mRaw) {
      mAllocatedBytes = static_cast<int>(size);
      mRaw = std::malloc(static_cast<size_t>(size) + 63);
    } else if (size > mAllocatedBytes) {
      long long grown = size + size / 4;
      if (grown > INT_MAX - 63) grown = size;
      void* p = std::realloc(mRaw, static_cast<size_t>(grown) + 63);
      if (p) {
        mRaw = p;
        mAllocatedBytes = static_cast<int>(grown);
      } else {
        std::free(mRaw);
        mAllocatedBytes = static_cast<int>(size);
        mRaw = std::malloc(static_cast<size_t>(size) + 63);
      }
    }
  } else {
    std::free(mRaw);
    mRaw = nullptr;
    mAllocatedBytes = 0;
  }
  if (!mRaw) {
    mWidth = mHeight = 0;
    mAllocatedBytes = 0;
  }
  return true;
}

LICE_SysBitmap::LICE_SysBitmap(int width, int height)
{
  mDC = NativeCreateMemoryDC();
  Resize(width, height);
}

LICE_SysBitmap::~LICE_SysBitmap()
{
  if (mPrevious && mDC) NativeSelectBitmap(mDC, mPrevious);
  if (mBitmap) NativeDeleteBitmap(mBitmap);
  if (mDC) NativeDeleteDC(mDC);
}

bool LICE_SysBitmap::Resize(int width, int height)
{
  if (!mDC) {
    mWidth = mHeight = 0;
    mBits = nullptr;
    return false;
  }
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  if (width != 0 && height != 0 && width <= mAllocWidth && height <= mAllocHeight && mBits) return true;

  mAllocHeight = height;
  mAllocWidth = width > INT_MAX - 3 ? 0 : (width + 3) & ~3;
  if (mPrevious) {
    NativeSelectBitmap(mDC, mPrevious);
    mPrevious = nullptr;
  }
  if (mBitmap) NativeDeleteBitmap(mBitmap);
  mBitmap = nullptr;
  mBits = nullptr;
  if (mAllocWidth < 1 || height < 1) return false;

  void* bits = nullptr;
  mBitmap = NativeCreateBitmap(mDC, mAllocWidth, IsBottomUp() ? height : -height, &bits);
  if (mBitmap && bits) {
    mBits = static_cast<PixelValue*>(bits);
    mPrevious = NativeSelectBitmap(mDC, mBitmap);
  } else {
    if (mBitmap) NativeDeleteBitmap(mBitmap);
    mBitmap = nullptr;
    mWidth = mHeight = 0;
    mBits = nullptr;
  }
  return true;
}
