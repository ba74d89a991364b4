#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/GrowBuffer.h"

TEST(GrowBuffer, AllocationFollowsGranularityRules)
{
  EXPECT_EQ(IGrowBuffer::AllocationFor(1, 4096), 4000);
  EXPECT_EQ(IGrowBuffer::AllocationFor(10, 128), 138);
  EXPECT_EQ(IGrowBuffer::AllocationFor(0, 4096), 0);
  // Half the request once it exceeds the granularity, rounded to pages.
  EXPECT_EQ(IGrowBuffer::AllocationFor(20000, 4096), ((20000 + 96 + 8192) & ~4095) - 96);
  EXPECT_EQ(IGrowBuffer::AllocationFor(300, 128), 450);
  // Growth beyond 4 MiB per step is capped.
  EXPECT_EQ(IGrowBuffer::AllocationFor(100000000, 4096), ((100000000 + 96 + 0x400000) & ~4095) - 96);
  EXPECT_EQ(IGrowBuffer::AllocationFor(0x7FFFFFF0, 4096), -1);
}

TEST(GrowBuffer, ResizeKeepsContentsAndShrinksOnlyWhenAllowed)
{
  IGrowBuffer b(4096);
  void* data = b.Resize(1);
  EXPECT_EQ(data, b.Data());
  EXPECT_EQ(b.Allocated(), 4000);
  std::memset(b.Data(), 0x5A, 1);
  b.Resize(3000);
  EXPECT_EQ(b.Allocated(), 4000);
  EXPECT_EQ(static_cast<unsigned char*>(b.Data())[0], 0x5A);
  b.Resize(10000);
  EXPECT_EQ(b.Size(), 10000);
  EXPECT_EQ(static_cast<unsigned char*>(b.Data())[0], 0x5A);
  const int allocated = b.Allocated();
  b.Resize(10, true);  // small blocks are not worth shrinking
  EXPECT_EQ(b.Allocated(), allocated);
  b.Resize(1000000);
  const int big = b.Allocated();
  b.Resize(10, false);
  EXPECT_EQ(b.Allocated(), big);
  b.Resize(1000000);
  b.Resize(10, true);  // below half of a large block: shrinks
  EXPECT_EQ(b.Allocated(), 4000);
  EXPECT_EQ(static_cast<unsigned char*>(b.Data())[0], 0x5A);
  EXPECT_EQ(b.Resize(0), nullptr);
  EXPECT_EQ(b.Allocated(), 0);
  EXPECT_EQ(b.Resize(-5), nullptr);
  EXPECT_EQ(b.Size(), 0);
}

TEST(GrowBuffer, ImpossibleSizeLeavesBufferUnchanged)
{
  IGrowBuffer b(4096);
  b.Resize(100);
  void* before = b.Data();
  EXPECT_EQ(b.Resize(0x7FFFFFF0), before);
  EXPECT_EQ(b.Size(), 100);
}

TEST(PtrList, AddInsertAndOwnership)
{
  static int alive = 0;
  struct Counted
  {
    int id;
    explicit Counted(int i) : id(i) { ++alive; }
    ~Counted() { --alive; }
  };
  {
    IPtrList<Counted> list;
    for (int i = 0; i < 2000; ++i) ASSERT_TRUE(list.Add(new Counted(i)));
    ASSERT_TRUE(list.Insert(new Counted(-1)));
    EXPECT_EQ(list.Count(), 2001);
    EXPECT_EQ(list.Get(0)->id, -1);
    EXPECT_EQ(list.Get(2000)->id, 1999);
    EXPECT_EQ(list.Get(2001), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
    EXPECT_EQ(alive, 2001);
  }
  EXPECT_EQ(alive, 0);
}

TEST(GrowString, SetLimitsAndEmpties)
{
  IGrowString s;
  EXPECT_STREQ(s.Get(), "");
  s.Set("Frequency", 4);
  EXPECT_STREQ(s.Get(), "Freq");
  s.Set("Frequency");
  EXPECT_STREQ(s.Get(), "Frequency");
  s.Set("");
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.Length(), 0);
}

TEST(GrowString, SetAtHandlesOverlappingSourceWhenBufferMoves)
{
  IGrowString s;
  std::string longText(3000, 'x');
  longText += "tail";
  s.Set(longText.c_str());
  // Source inside the string, result much shorter: the buffer shrinks.
  s.SetAt(0, s.Get() + 3000, 4);
  EXPECT_STREQ(s.Get(), "tail");
  // Source inside the string, result longer: the buffer grows and may move.
  s.Set("abc");
  for (int i = 0; i < 12; ++i) s.SetAt(s.Length(), s.Get(), s.Length());
  EXPECT_EQ(s.Length(), 3 << 12);
  EXPECT_EQ(std::string(s.Get()).substr(0, 9), "abcabcabc");
  s.SetAt(2, "Z", 1);
  EXPECT_STREQ(s.Get(), "abZ");
  s.SetAt(0, "", 0);
  EXPECT_STREQ(s.Get(), "");
}
