#pragma once
// 32-bit raster bitmaps: the abstract interface every image goes through, a
// heap-memory bitmap and a system bitmap that native text drawing can reach.

#include <cstdint>

// One pixel: 0xAARRGGBB, little-endian in memory (bytes blue, green, red,
// alpha), straight (not premultiplied) alpha.
using PixelValue = uint32_t;

// A native drawing-context handle (a memory device context on Windows, the
// raster layer's own drawing context elsewhere). Opaque outside the platform
// folders.
using LICE_NativeDC = void*;

// An integer rectangle; right and bottom are exclusive.
struct LICE_Rect
{
  int left;
  int top;
  int right;
  int bottom;
};

// Abstract 32-bit bitmap. Holds no data itself. Whoever constructs a bitmap
// owns it and destroys it through the virtual destructor; pixel memory belongs
// to the bitmap and is invalidated by Resize and by destruction. Bitmaps are
// used on the editor's user-interface thread only and take no lock.
class LICE_IBitmap
{
public:
  virtual ~LICE_IBitmap() {}
  // Address of pixel (0, 0), or null when the bitmap has no pixels.
  virtual PixelValue* Pixels() = 0;
  virtual int Width() = 0;
  virtual int Height() = 0;
  // Distance from one row to the next, in pixels (at least the width).
  virtual int Stride() = 0;
  // True when row y lives at memory row (height - 1 - y).
  virtual bool IsBottomUp() { return false; }
  // Changes the size; true if the size changed. After a failed allocation the
  // result is still true and the bitmap is empty: test Pixels() or the size.
  virtual bool Resize(int width, int height) = 0;
  virtual LICE_NativeDC DeviceContext() { return nullptr; }
  // Numbered escape for optional capabilities; 0 means unsupported.
  virtual int QueryExtension(int code, void* data)
  {
    (void)code;
    (void)data;
    return 0;
  }
};

// Address of row y of a bitmap, honouring bottom-up storage. The caller has
// checked that the bitmap has pixels and that 0 <= y < Height().
PixelValue* LICE_RowAddress(LICE_IBitmap* bitmap, int y);
// Signed step in pixels from row y to row y + 1.
long long LICE_RowStep(LICE_IBitmap* bitmap);

// A bitmap in heap memory. Owns its pixel block (64-byte aligned, rows padded
// to a multiple of rowAlignMask + 1 pixels) and frees it when destroyed. The
// block grows with 25 % headroom and never shrinks except to nothing.
class LICE_MemBitmap : public LICE_IBitmap
{
public:
  // rowAlignMask: row alignment in pixels minus one (a power of two minus
  // one); 3 throughout this system. A positive size is allocated at once.
  LICE_MemBitmap(int width = 0, int height = 0, int rowAlignMask = 3);
  ~LICE_MemBitmap() override;
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  PixelValue* Pixels() override;
  int Width() override { return mWidth; }
  int Height() override { return mHeight; }
  int Stride() override { return (mWidth + mRowAlignMask) & ~mRowAlignMask; }
  bool Resize(int width, int height) override;

  // Pixel bytes the block was last sized for (the block is 63 bytes longer).
  int AllocatedBytes() const { return mAllocatedBytes; }

private:
  void* mRaw = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mAllocatedBytes = 0;
  int mRowAlignMask;
};

// A bitmap whose pixels live in a native 32-bit top-down bitmap selected into
// a native memory drawing context, so that native text drawing reaches the
// same pixels. Owns the drawing context and the native bitmap and deletes
// both when destroyed. Rows are allocated at the width rounded up to a
// multiple of 4; shrinking keeps the allocation (and the stride).
class LICE_SysBitmap : public LICE_IBitmap
{
public:
  LICE_SysBitmap(int width = 0, int height = 0);
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  PixelValue* Pixels() override { return mBits; }
  int Width() override { return mWidth; }
  int Height() override { return mHeight; }
  int Stride() override { return mAllocWidth; }
  bool Resize(int width, int height) override;
  LICE_NativeDC DeviceContext() override { return mDC; }

  int AllocatedHeight() const { return mAllocHeight; }
  // The current native bitmap, or null; changes only when pixels are remade.
  void* NativeBitmap() const { return mBitmap; }

private:
  int mWidth = 0;
  int mHeight = 0;
  LICE_NativeDC mDC = nullptr;
  PixelValue* mBits = nullptr;
  int mAllocWidth = 0;
  int mAllocHeight = 0;
  void* mBitmap = nullptr;
  void* mPrevious = nullptr;
};
