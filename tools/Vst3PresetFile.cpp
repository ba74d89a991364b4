#include "tools/Vst3PresetFile.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kFileMagic[] = "VST3";
constexpr char kListMagic[] = "List";
// The format version hosts write; later ones keep this layout.
constexpr int32_t kFormatVersion = 1;
constexpr int kBitsPerByte = 8;
// A byte's text form: two hexadecimal digits, the high four bits first.
constexpr int kBitsPerDigit = 4;
constexpr unsigned kDigitMask = 0xF;
// A list entry: the chunk's identifier, its offset and its size.
constexpr size_t kListEntryBytes = kVst3ChunkIdChars + 8 + 8;
// The list's head: 'List' and the entry count.
constexpr size_t kListHeadBytes = kVst3ChunkIdChars + 4;
// Where the header keeps the list's offset.
constexpr size_t kListOffsetAt = kVst3PresetHeaderBytes - 8;
// COM stores the first group and the two halves of the second in reverse.
constexpr int kComOrder[kVst3ClassIdBytes] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};

template <class T>
void PutLittle(std::vector<unsigned char>& out, T v)
{
  for (size_t i = 0; i < sizeof v; ++i) {
    out.push_back(static_cast<unsigned char>(static_cast<uint64_t>(v) >> (kBitsPerByte * i)));
  }
}

template <class T>
T LittleAt(const std::vector<unsigned char>& in, size_t at)
{
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(in[at + i]) << (kBitsPerByte * i);
  return static_cast<T>(v);
}

void PutText(std::vector<unsigned char>& out, const std::string& text, size_t chars)
{
  for (size_t i = 0; i < chars; ++i) out.push_back(i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
}

std::string TextAt(const std::vector<unsigned char>& in, size_t at, size_t chars)
{
  return std::string(reinterpret_cast<const char*>(&in[at]), chars);
}

bool Fail(std::string& error, const char* why)
{
  error = why;
  return false;
}

bool IsClassId(const std::string& text)
{
  if (text.size() != kVst3ClassIdChars) return false;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Reads the list at its offset into the chunks it names.
bool ReadList(const std::vector<unsigned char>& in, uint64_t listAt, Vst3PresetFile& file, std::string& error)
{
  if (listAt < kVst3PresetHeaderBytes || listAt > in.size() || in.size() - listAt < kListHeadBytes) {
    return Fail(error, "the chunk list lies outside the file");
  }
  const size_t at = static_cast<size_t>(listAt);
  if (TextAt(in, at, kVst3ChunkIdChars) != kListMagic) return Fail(error, "no chunk list where the header says");
  const uint32_t count = LittleAt<uint32_t>(in, at + kVst3ChunkIdChars);
  if (count > (in.size() - at - kListHeadBytes) / kListEntryBytes) return Fail(error, "the chunk list runs past the end");
  file.chunks.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = at + kListHeadBytes + i * kListEntryBytes;
    const uint64_t offset = LittleAt<uint64_t>(in, entry + kVst3ChunkIdChars);
    const uint64_t size = LittleAt<uint64_t>(in, entry + kVst3ChunkIdChars + 8);
    // Chunks lie between the header and the list.
    if (offset < kVst3PresetHeaderBytes || offset > listAt || size > listAt - offset) {
      return Fail(error, "a chunk lies outside the file's data");
    }
    file.chunks[i].id = TextAt(in, entry, kVst3ChunkIdChars);
    file.chunks[i].bytes.assign(in.begin() + static_cast<std::ptrdiff_t>(offset),
                                in.begin() + static_cast<std::ptrdiff_t>(offset + size));
  }
  return true;
}

}  // namespace

const Vst3PresetChunk* Vst3PresetFile::Find(const char* id) const
{
  for (const Vst3PresetChunk& c : chunks) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

std::vector<unsigned char> EncodeVst3Preset(const Vst3PresetFile& file)
{
  std::vector<unsigned char> out;
  PutText(out, kFileMagic, kVst3ChunkIdChars);
  PutLittle(out, kFormatVersion);
  PutText(out, file.classId, kVst3ClassIdChars);
  PutLittle(out, uint64_t{0});  // the list's offset, known at the end
  std::vector<uint64_t> offsets;
  for (const Vst3PresetChunk& c : file.chunks) {
    offsets.push_back(out.size());
    out.insert(out.end(), c.bytes.begin(), c.bytes.end());
  }
  const uint64_t listAt = out.size();
  PutText(out, kListMagic, kVst3ChunkIdChars);
  PutLittle(out, static_cast<uint32_t>(file.chunks.size()));
  for (size_t i = 0; i < file.chunks.size(); ++i) {
    PutText(out, file.chunks[i].id, kVst3ChunkIdChars);
    PutLittle(out, offsets[i]);
    PutLittle(out, static_cast<uint64_t>(file.chunks[i].bytes.size()));
  }
  for (size_t i = 0; i < sizeof listAt; ++i) {
    out[kListOffsetAt + i] = static_cast<unsigned char>(listAt >> (kBitsPerByte * i));
  }
  return out;
}

bool ParseVst3Preset(const std::vector<unsigned char>& bytes, Vst3PresetFile& file, std::string& error)
{
  file = Vst3PresetFile();
  if (bytes.size() < kVst3PresetHeaderBytes || TextAt(bytes, 0, kVst3ChunkIdChars) != kFileMagic) {
    return Fail(error, "not a VST3 preset file (no 'VST3' header)");
  }
  if (LittleAt<int32_t>(bytes, kVst3ChunkIdChars) < kFormatVersion) return Fail(error, "an unknown format version");
  file.classId = TextAt(bytes, kVst3ChunkIdChars + 4, kVst3ClassIdChars);
  if (!IsClassId(file.classId)) return Fail(error, "the header names no class");
  return ReadList(bytes, LittleAt<uint64_t>(bytes, kListOffsetAt), file, error);
}

std::string Vst3ClassIdText(const char* bytes, bool comByteOrder)
{
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < kVst3ClassIdBytes; ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[comByteOrder ? kComOrder[i] : static_cast<int>(i)]);
    text += kDigits[b >> kBitsPerDigit];
    text += kDigits[b & kDigitMask];
  }
  return text;
}
