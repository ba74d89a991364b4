#include "tools/AudioHeaders.h"

#include <cstring>

#include "tools/FileSystem.h"

namespace {

constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr size_t kRiffHeaderBytes = 12;  // "RIFF", size, "WAVE"
constexpr size_t kChunkHeaderBytes = 8;  // id, size
// The format chunk: 16 bytes plain, 40 extensible (cbSize 22, valid bits,
// channel mask, sub-format GUID whose first two bytes are the tag).
constexpr uint32_t kPlainFormatBytes = 16;
constexpr uint32_t kExtensibleFormatBytes = 40;
constexpr uint16_t kExtensionBytes = 22;
// Offsets inside the format chunk.
constexpr size_t kAtChannels = 2, kAtRate = 4, kAtBits = 14, kAtExtensionSize = 16, kAtSubFormat = 24,
                 kAtGuidTail = 26;
// The rest of the usual sub-format GUID after its two-byte tag.
const unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Data chunk sizes that writers of unknown length leave: read to the end.
constexpr uint32_t kOpenEndedSize = 0xFFFFFFFF;
// The frame count in an AIFF file: "FORM", size, "AIFF" or "AIFC", then
// chunks; COMM holds channels (2 bytes) then frames (4, big-endian).
constexpr size_t kAiffCommFramesAt = 2;
constexpr size_t kAiffCommBytesRead = 6;

uint32_t U32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t BigU32(const unsigned char* p)
{
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool ReadAt(std::FILE* f, long long at, unsigned char* out, size_t n)
{
  return SeekFile(f, at) && std::fread(out, 1, n, f) == n;
}

void ReadFormat(const unsigned char* b, size_t len, WavLayout& w)
{
  w.tag = U16(b);
  w.channels = U16(b + kAtChannels);
  w.rate = U32(b + kAtRate);
  w.bits = U16(b + kAtBits);
  if (w.tag != kTagExtensible) return;
  w.extensible = true;
  w.knownSubFormat = len >= kExtensibleFormatBytes && U16(b + kAtExtensionSize) >= kExtensionBytes &&
                     !std::memcmp(b + kAtGuidTail, kGuidTail, sizeof kGuidTail);
  w.tag = w.knownSubFormat ? U16(b + kAtSubFormat) : 0;
}

// The COMM chunk's frame count of an AIFF file, -1 when there is none.
long long AiffFrames(std::FILE* f, long long size)
{
  unsigned char h[kChunkHeaderBytes];
  for (long long pos = kRiffHeaderBytes; pos + static_cast<long long>(kChunkHeaderBytes) <= size;) {
    if (!ReadAt(f, pos, h, sizeof h)) return -1;
    const uint32_t len = BigU32(h + 4);
    if (!std::memcmp(h, "COMM", 4)) {
      unsigned char c[kAiffCommBytesRead];
      return ReadAt(f, pos + kChunkHeaderBytes, c, sizeof c) ? BigU32(c + kAiffCommFramesAt) : -1;
    }
    pos += static_cast<long long>(kChunkHeaderBytes) + len + (len & 1);
  }
  return -1;
}

}  // namespace

bool ScanWav(std::FILE* f, long long fileBytes, WavLayout& w, std::string& error)
{
  unsigned char h[kRiffHeaderBytes];
  if (!ReadAt(f, 0, h, sizeof h) || std::memcmp(h, "RIFF", 4) || std::memcmp(h + 8, "WAVE", 4)) {
    error = "not a WAV file";
    return false;
  }
  bool haveFormat = false;
  for (long long pos = kRiffHeaderBytes; pos + static_cast<long long>(kChunkHeaderBytes) <= fileBytes;) {
    if (!ReadAt(f, pos, h, kChunkHeaderBytes)) break;
    const uint32_t size = U32(h + 4);
    const long long body = pos + static_cast<long long>(kChunkHeaderBytes);
    const long long avail = fileBytes - body;
    const long long len = size < avail ? size : avail;
    if (!std::memcmp(h, "fmt ", 4) && len >= kPlainFormatBytes) {
      unsigned char b[kExtensibleFormatBytes] = {};
      const size_t n = len < kExtensibleFormatBytes ? static_cast<size_t>(len) : kExtensibleFormatBytes;
      if (!ReadAt(f, body, b, n)) break;
      ReadFormat(b, n, w);
      haveFormat = true;
    } else if (!std::memcmp(h, "data", 4)) {
      const bool openEnded = size == kOpenEndedSize;
      w.dataOffset = body;
      w.declaredBytes = openEnded ? -1LL : static_cast<long long>(size);
      w.presentBytes = openEnded ? avail : len;
    }
    // The data chunk may be the last and cut short: nothing after it counts.
    if (haveFormat && w.dataOffset >= 0) break;
    pos = body + len + (len & 1);
  }
  if (!w.knownSubFormat) {
    error = "an extensible WAV file of a sub-format other than integer or float samples";
    return false;
  }
  if (w.dataOffset < 0 || !haveFormat) {
    error = w.dataOffset < 0 ? "a WAV file without sample data" : "a WAV file without a format chunk";
    return false;
  }
  return true;
}

long long AnnouncedFrames(const std::string& path)
{
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  const long long size = FileSize(path);
  long long frames = -1;
  unsigned char h[kRiffHeaderBytes];
  if (ReadAt(f, 0, h, sizeof h)) {
    if (!std::memcmp(h, "RIFF", 4)) {
      WavLayout w;
      std::string error;
      if (ScanWav(f, size, w, error) && w.declaredBytes >= 0 && w.FrameBytes() > 0) {
        frames = w.declaredBytes / w.FrameBytes();
      }
    } else if (!std::memcmp(h, "FORM", 4) && (!std::memcmp(h + 8, "AIFF", 4) || !std::memcmp(h + 8, "AIFC", 4))) {
      frames = AiffFrames(f, size);
    }
  }
  std::fclose(f);
  return frames;
}
