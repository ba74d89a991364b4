// Files written whole or not at all: the destination changes only when the
// new file is complete, in one step, and a file given up on leaves nothing;
// outputs that are the input or no file are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/FileBytes.h"
#include "tools/FileSystem.h"
#include "tools/StagedFile.h"

namespace {

std::string TempPath(const std::string& name) { return testing::TempDir() + "vexa_staged_" + name; }

std::string Contents(const std::string& path)
{
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes)) return "<missing>";
  return std::string(bytes.begin(), bytes.end());
}

void Write(const std::string& path, const std::string& text)
{
  ASSERT_TRUE(WriteFileBytes(path, text.data(), text.size())) << path;
}

}  // namespace

TEST(StagedFile, TheDestinationChangesOnlyOnCommitAndAtOnce)
{
  const std::string dest = TempPath("commit.txt");
  Write(dest, "old contents");
  std::string error;
  std::string temporary;
  {
    StagedFile staged(dest);
    ASSERT_TRUE(staged.Begin(error)) << error;
    temporary = staged.Path();
    EXPECT_NE(temporary, dest);
    EXPECT_EQ(temporary.rfind(testing::TempDir(), 0), 0u) << "beside the destination: " << temporary;
    EXPECT_EQ(temporary.substr(temporary.size() - 4), ".txt") << "with the destination's extension";
    Write(temporary, "new contents");
    EXPECT_EQ(Contents(dest), "old contents");
    ASSERT_TRUE(staged.Commit(error)) << error;
  }
  EXPECT_EQ(Contents(dest), "new contents");
  EXPECT_EQ(KindOfPath(temporary), PathKind::kMissing);
  RemoveFile(dest);
}

TEST(StagedFile, AFileGivenUpOnLeavesTheDestinationAndNothingElse)
{
  const std::string dest = TempPath("abandon.txt");
  Write(dest, "the only copy");
  std::string temporary;
  {
    StagedFile staged(dest);
    std::string error;
    ASSERT_TRUE(staged.Begin(error)) << error;
    temporary = staged.Path();
    Write(temporary, "half of it");
  }
  EXPECT_EQ(Contents(dest), "the only copy");
  EXPECT_EQ(KindOfPath(temporary), PathKind::kMissing);
  RemoveFile(dest);

  // Nothing was there before: nothing is there after.
  const std::string fresh = TempPath("never.txt");
  {
    StagedFile staged(fresh);
    std::string error;
    ASSERT_TRUE(staged.Begin(error)) << error;
    temporary = staged.Path();
  }
  EXPECT_EQ(KindOfPath(fresh), PathKind::kMissing);
  EXPECT_EQ(KindOfPath(temporary), PathKind::kMissing);
}

TEST(StagedFile, TwoWritersBesideOneDestinationGetTheirOwnFiles)
{
  const std::string dest = TempPath("two.txt");
  StagedFile a(dest), b(dest);
  std::string error;
  ASSERT_TRUE(a.Begin(error)) << error;
  ASSERT_TRUE(b.Begin(error)) << error;
  EXPECT_NE(a.Path(), b.Path());
}

TEST(StagedFile, AFolderThatIsNotThereIsAnError)
{
  StagedFile staged(TempPath("no-such-folder/out.wav"));
  std::string error;
  EXPECT_FALSE(staged.Begin(error));
  EXPECT_NE(error.find("cannot create a file beside"), std::string::npos) << error;
  EXPECT_FALSE(staged.Commit(error));
}

TEST(StagedFile, OutputsThatAreTheInputOrNoFileAreRefused)
{
  const std::string in = TempPath("input.wav");
  Write(in, "audio");
  std::string error;
  EXPECT_FALSE(CheckOutputPath(in, in, error));
  EXPECT_EQ(error, in + " is the input file; write the output to another file");
  const std::string other = testing::TempDir() + "." + "/vexa_staged_input.wav";
  EXPECT_FALSE(CheckOutputPath(in, other, error)) << "another spelling of the same path";
  EXPECT_TRUE(CheckOutputPath(in, TempPath("output.wav"), error)) << error;
  EXPECT_FALSE(CheckOutputPath(in, testing::TempDir(), error));
  EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
  EXPECT_TRUE(SameFile(in, other));
  EXPECT_FALSE(SameFile(in, TempPath("output.wav")));
  RemoveFile(in);
}
