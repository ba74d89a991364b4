#pragma once
// What the host tools ask of the file system beyond reading and writing a
// stream (tools/posix, tools/win): what a path names, whether two paths
// name the same file, sizes and positions past 2 GiB, and the steps of
// replacing a file whole. Paths are in the system's narrow encoding. Every
// function may be called from any thread and takes no lock.

#include <cstdio>
#include <string>

enum class PathKind
{
  kMissing,  // nothing there (or a folder on the way is missing)
  kFile,     // a regular file
  kFolder,
  kOther,    // a device, a pipe or anything else that is no regular file
};

PathKind KindOfPath(const std::string& path);

// True when both paths exist and name the same file, through whatever
// spelling, symbolic link or hard link each takes.
bool SameFile(const std::string& a, const std::string& b);

// The size of the file at path in bytes, -1 when it cannot be read.
long long FileSize(const std::string& path);

// Moves the read and write position of f to offset bytes from the start
// (offsets past 2 GiB included); false on failure.
bool SeekFile(std::FILE* f, long long offset);

// Creates path as a new, empty file; false when something is there already
// or the file cannot be made.
bool CreateNewFile(const std::string& path);

// Puts the file from in the place of to in one step, replacing what to
// named; false with a readable error.
bool MoveFileOver(const std::string& from, const std::string& to, std::string& error);

// Removes the file at path; false when it could not.
bool RemoveFile(const std::string& path);

// The characters that separate a path's folders here.
const char* PathSeparators();

// The calling process's number, for names no other process picks.
unsigned long ProcessNumber();
