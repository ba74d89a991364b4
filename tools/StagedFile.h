#pragma once
// Files written whole or not at all. A StagedFile is written under a
// temporary name beside its destination and put in the destination's place
// in one step once complete, so the destination (which may be the only
// copy of someone's audio) is never truncated or left half-written: on any
// failure the temporary file goes and the destination stays as it was.

#include <string>

// One file being written. Owns the temporary file: removes it when
// destroyed before Commit. Used by one thread.
class StagedFile
{
public:
  explicit StagedFile(std::string destination);
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file beside the destination; false with error
  // when the folder cannot take it.
  bool Begin(std::string& error);
  // Where to write until Commit.
  const std::string& Path() const { return mTemporary; }
  // Puts the finished file in the destination's place; false with error
  // (and the temporary file removed) when it cannot.
  bool Commit(std::string& error);

private:
  std::string mDestination;
  std::string mTemporary;
  bool mPending = false;  // a temporary file exists and is not committed
};

// Whether output may be written with input as the source: false with an
// error naming the problem when output is the input (through any path or
// link), a folder or no regular file.
bool CheckOutputPath(const std::string& input, const std::string& output, std::string& error);

// Whether output may be written: a regular file or nothing yet.
bool CheckOutputPath(const std::string& output, std::string& error);
