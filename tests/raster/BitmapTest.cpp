#include <gtest/gtest.h>

#include <cstdint>

#include "raster/Bitmap.h"

TEST(MemBitmap, StrideIsRoundedToFourPixelsAndPixelsAre64ByteAligned)
{
  LICE_MemBitmap b(10, 3, 3);
  ASSERT_NE(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(b.Stride(), 12);
  EXPECT_EQ(b.AllocatedBytes(), 144);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Pixels()) % 64, 0u);
  EXPECT_FALSE(b.IsBottomUp());
  EXPECT_EQ(b.DeviceContext(), nullptr);
  EXPECT_EQ(b.QueryExtension(0x59555678, nullptr), 0);
}

TEST(MemBitmap, GrowsWithQuarterHeadroomAndNeverShrinks)
{
  LICE_MemBitmap b(10, 3, 3);
  b.Pixels()[0] = 0x12345678;
  EXPECT_TRUE(b.Resize(20, 3));
  EXPECT_EQ(b.AllocatedBytes(), 300);
  EXPECT_EQ(b.Stride(), 20);
  EXPECT_EQ(b.Pixels()[0], 0x12345678u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Pixels()) % 64, 0u);
  // Within the headroom the block stays as it is.
  PixelValue* before = b.Pixels();
  EXPECT_TRUE(b.Resize(24, 3));
  EXPECT_EQ(b.AllocatedBytes(), 300);
  EXPECT_EQ(b.Pixels(), before);
  EXPECT_TRUE(b.Resize(2, 2));
  EXPECT_EQ(b.AllocatedBytes(), 300);
  EXPECT_EQ(b.Pixels(), before);
}

TEST(MemBitmap, ResizeToSameSizeChangesNothing)
{
  LICE_MemBitmap b(7, 5, 3);
  PixelValue* p = b.Pixels();
  const int allocated = b.AllocatedBytes();
  EXPECT_FALSE(b.Resize(7, 5));
  EXPECT_EQ(b.Pixels(), p);
  EXPECT_EQ(b.AllocatedBytes(), allocated);
}

TEST(MemBitmap, ZeroOrNegativeSideEmptiesTheBitmap)
{
  LICE_MemBitmap b(8, 8, 3);
  EXPECT_TRUE(b.Resize(0, 5));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.AllocatedBytes(), 0);
  EXPECT_TRUE(b.Resize(-3, 4));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  LICE_MemBitmap empty(0, 0, 3);
  EXPECT_EQ(empty.Pixels(), nullptr);
}

TEST(MemBitmap, SizeBeyondThirtyTwoBitsLeavesItEmpty)
{
  LICE_MemBitmap b(4, 4, 3);
  EXPECT_TRUE(b.Resize(70000, 70000));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_TRUE(b.Resize(0x7FFFFFFF, 1));
  EXPECT_EQ(b.Pixels(), nullptr);
}

TEST(MemBitmap, WiderAlignmentMaskPadsRows)
{
  LICE_MemBitmap b(9, 2, 15);
  EXPECT_EQ(b.Stride(), 16);
  EXPECT_EQ(b.AllocatedBytes(), 2 * 16 * 4);
}

TEST(SysBitmap, HasADrawingContextAndPaddedRows)
{
  LICE_SysBitmap b(10, 3);
  ASSERT_NE(b.DeviceContext(), nullptr);
  ASSERT_NE(b.Pixels(), nullptr);
  EXPECT_EQ(b.Stride(), 12);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.QueryExtension(0x051B7000, nullptr), 0);
  // Every pixel of every row is writable.
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 12; ++x) b.Pixels()[y * b.Stride() + x] = 0xFF00FF00u;
  }
}

TEST(SysBitmap, ShrinkingKeepsTheNativeBitmapAndGrowingRemakesIt)
{
  LICE_SysBitmap b(100, 50);
  void* native = b.NativeBitmap();
  ASSERT_NE(native, nullptr);
  b.Pixels()[0] = 0xDEADBEEF;
  EXPECT_TRUE(b.Resize(90, 40));
  EXPECT_EQ(b.NativeBitmap(), native);
  EXPECT_EQ(b.Stride(), 100);
  EXPECT_EQ(b.Width(), 90);
  EXPECT_EQ(b.Height(), 40);
  EXPECT_EQ(b.Pixels()[0], 0xDEADBEEFu);
  EXPECT_FALSE(b.Resize(90, 40));
  EXPECT_TRUE(b.Resize(101, 40));
  EXPECT_EQ(b.Stride(), 104);
  EXPECT_EQ(b.AllocatedHeight(), 40);
  EXPECT_EQ(b.Width(), 101);
  ASSERT_NE(b.Pixels(), nullptr);
  b.Pixels()[104 * 40 - 1] = 1;
}

TEST(SysBitmap, ZeroSizeDropsThePixels)
{
  LICE_SysBitmap b(16, 16);
  EXPECT_FALSE(b.Resize(0, 0));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.NativeBitmap(), nullptr);
  EXPECT_TRUE(b.Resize(3, 3));
  ASSERT_NE(b.Pixels(), nullptr);
  EXPECT_EQ(b.Stride(), 4);
  LICE_SysBitmap empty;
  EXPECT_EQ(empty.Pixels(), nullptr);
  EXPECT_NE(empty.DeviceContext(), nullptr);
}

TEST(SysBitmap, ImpossibleSizeLeavesItEmpty)
{
  LICE_SysBitmap b(8, 8);
  EXPECT_TRUE(b.Resize(100000, 100000));
  EXPECT_EQ(b.Pixels(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_TRUE(b.Resize(8, 8));
  EXPECT_NE(b.Pixels(), nullptr);
}
