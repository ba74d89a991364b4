#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/FileSystem.h"

PathKind KindOfPath(const std::string& path)
{
  struct stat s;
  if (stat(path.c_str(), &s) != 0) return errno == ENOENT || errno == ENOTDIR ? PathKind::kMissing : PathKind::kOther;
  if (S_ISREG(s.st_mode)) return PathKind::kFile;
  return S_ISDIR(s.st_mode) ? PathKind::kFolder : PathKind::kOther;
}

bool SameFile(const std::string& a, const std::string& b)
{
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

long long FileSize(const std::string& path)
{
  struct stat s;
  return stat(path.c_str(), &s) == 0 ? static_cast<long long>(s.st_size) : -1;
}

bool SeekFile(std::FILE* f, long long offset) { return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0; }

bool CreateNewFile(const std::string& path)
{
  constexpr mode_t kReadWriteForAll = 0666;  // narrowed by the user's umask
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kReadWriteForAll);
  if (fd < 0) return false;
  return close(fd) == 0;
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string& error)
{
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  error = std::string("cannot move the finished file into place: ") + std::strerror(errno);
  return false;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

const char* PathSeparators() { return "/"; }

unsigned long ProcessNumber() { return static_cast<unsigned long>(getpid()); }
