#include "tools/StagedFile.h"

#include <utility>

#include "tools/FileSystem.h"

namespace {

// Temporary names tried before giving up (others may be taken by runs
// writing beside the same destination).
constexpr int kNameAttempts = 100;
constexpr char kTemporaryPrefix[] = ".vexa-";

// "folder/.vexa-PID-N-name" for "folder/name": hidden where a leading dot
// hides, and ending as the destination does, so that writers that choose a
// file's kind by its extension choose the destination's.
std::string TemporaryName(const std::string& destination, int attempt)
{
  const size_t cut = destination.find_last_of(PathSeparators());
  const size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
  return destination.substr(0, nameStart) + kTemporaryPrefix + std::to_string(ProcessNumber()) + "-" +
         std::to_string(attempt) + "-" + destination.substr(nameStart);
}

}  // namespace

StagedFile::StagedFile(std::string destination) : mDestination(std::move(destination)) {}

StagedFile::~StagedFile()
{
  if (mPending) RemoveFile(mTemporary);
}

bool StagedFile::Begin(std::string& error)
{
  for (int attempt = 0; attempt < kNameAttempts && !mPending; ++attempt) {
    mTemporary = TemporaryName(mDestination, attempt);
    mPending = CreateNewFile(mTemporary);
  }
  if (!mPending) error = "cannot create a file beside " + mDestination + " (is the folder there and writable?)";
  return mPending;
}

bool StagedFile::Commit(std::string& error)
{
  if (!mPending) {
    error = "nothing was written for " + mDestination;
    return false;
  }
  if (!MoveFileOver(mTemporary, mDestination, error)) return false;  // the destructor removes the temporary file
  mPending = false;
  return true;
}

bool CheckOutputPath(const std::string& output, std::string& error)
{
  switch (KindOfPath(output)) {
    case PathKind::kMissing:
    case PathKind::kFile: return true;
    case PathKind::kFolder: error = output + " is a folder; give a file name to write to"; return false;
    case PathKind::kOther: break;
  }
  error = output + " is no regular file; give a file name to write to";
  return false;
}

bool CheckOutputPath(const std::string& input, const std::string& output, std::string& error)
{
  if (input == output || SameFile(input, output)) {
    error = output + " is the input file; write the output to another file";
    return false;
  }
  return CheckOutputPath(output, error);
}
