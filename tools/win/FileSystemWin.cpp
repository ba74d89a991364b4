#include <windows.h>

#include "tools/FileSystem.h"

namespace {

// The volume and file index of the file at path, which together name it
// whatever path leads there; false when it cannot be opened.
bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
  // No access asked, sharing everything: works on files others hold open.
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  return ok;
}

std::string SystemMessage(DWORD code)
{
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                 sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
  return s.empty() ? "system error " + std::to_string(code) : s;
}

}  // namespace

PathKind KindOfPath(const std::string& path)
{
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    const DWORD e = GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? PathKind::kMissing : PathKind::kOther;
  }
  if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
  return a & FILE_ATTRIBUTE_DEVICE ? PathKind::kOther : PathKind::kFile;
}

bool SameFile(const std::string& a, const std::string& b)
{
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!Identify(a, ia) || !Identify(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

long long FileSize(const std::string& path)
{
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return -1;
  return static_cast<long long>((static_cast<unsigned long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
}

bool SeekFile(std::FILE* f, long long offset) { return _fseeki64(f, offset, SEEK_SET) == 0; }

bool CreateNewFile(const std::string& path)
{
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  return CloseHandle(h) != 0;
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string& error)
{
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  error = "cannot move the finished file into place: " + SystemMessage(GetLastError());
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

const char* PathSeparators() { return "\\/:"; }

unsigned long ProcessNumber() { return GetCurrentProcessId(); }
