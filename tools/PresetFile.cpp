#include "tools/PresetFile.h"

#include <algorithm>
#include <cstring>

namespace {

// The four-character codes of the file layouts.
constexpr uint32_t kRecordMagic = 0x43636E4B;       // 'CcnK', every record
constexpr uint32_t kProgramParams = 0x4678436B;     // 'FxCk', program of values
constexpr uint32_t kProgramChunk = 0x46504368;      // 'FPCh', program as chunk
constexpr uint32_t kBankParams = 0x4678426B;        // 'FxBk', bank of programs
constexpr uint32_t kBankChunk = 0x46424368;         // 'FBCh', bank as chunk
// Every field is a 32-bit big-endian number, written from its highest byte.
constexpr size_t kFieldBytes = 4;
constexpr int kBitsPerByte = 8;
// The two fields every record starts with (magic, size) are not counted in
// its size field, the second of them.
constexpr size_t kRecordLeadBytes = 2 * kFieldBytes;
constexpr size_t kRecordSizeAt = kFieldBytes;
// Banks from format version 2 on keep the current program in the first
// reserved field.
constexpr int32_t kBankVersionWithCurrent = 2;

// Stores v big-endian at out[at], which must hold kFieldBytes bytes.
void StoreU32(std::vector<unsigned char>& out, size_t at, uint32_t v)
{
  for (size_t i = 0; i < kFieldBytes; ++i) {
    out[at + i] = static_cast<unsigned char>(v >> (kBitsPerByte * (kFieldBytes - 1 - i)));
  }
}

void PutU32(std::vector<unsigned char>& out, uint32_t v)
{
  out.resize(out.size() + kFieldBytes);
  StoreU32(out, out.size() - kFieldBytes, v);
}

void PutI32(std::vector<unsigned char>& out, int32_t v) { PutU32(out, static_cast<uint32_t>(v)); }

void PutFloat(std::vector<unsigned char>& out, float v)
{
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  PutU32(out, bits);
}

void PutName(std::vector<unsigned char>& out, const std::string& name)
{
  const size_t n = std::min(name.size(), kPresetNameFieldBytes - 1);
  out.insert(out.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n));
  out.insert(out.end(), kPresetNameFieldBytes - n, 0);
}

// Writes the size field of the record at start once the record, ending at
// out.end(), is complete.
void PatchRecordSize(std::vector<unsigned char>& out, size_t start)
{
  StoreU32(out, start + kRecordSizeAt, static_cast<uint32_t>(out.size() - start - kRecordLeadBytes));
}

void PutChunk(std::vector<unsigned char>& out, const std::vector<unsigned char>& chunk)
{
  PutU32(out, static_cast<uint32_t>(chunk.size()));
  out.insert(out.end(), chunk.begin(), chunk.end());
}

// One program record. A chunk-form program carries file.chunk.
void PutProgram(std::vector<unsigned char>& out, const PresetFile& file, const PresetProgram& program, bool chunk,
                int32_t formatVersion)
{
  const size_t start = out.size();
  PutU32(out, kRecordMagic);
  PutU32(out, 0);
  PutU32(out, chunk ? kProgramChunk : kProgramParams);
  PutI32(out, formatVersion);
  PutI32(out, file.pluginId);
  PutI32(out, file.pluginVersion);
  PutI32(out, chunk ? file.chunkParamCount : static_cast<int32_t>(program.values.size()));
  PutName(out, program.name);
  if (chunk) {
    PutChunk(out, file.chunk);
  } else {
    for (float v : program.values) PutFloat(out, v);
  }
  PatchRecordSize(out, start);
}

void PutBank(std::vector<unsigned char>& out, const PresetFile& file)
{
  PutU32(out, kRecordMagic);
  PutU32(out, 0);
  PutU32(out, file.chunkForm ? kBankChunk : kBankParams);
  PutI32(out, file.formatVersion);
  PutI32(out, file.pluginId);
  PutI32(out, file.pluginVersion);
  PutI32(out, static_cast<int32_t>(file.programs.size()));
  size_t reserved = kPresetBankReservedBytes;
  if (file.formatVersion >= kBankVersionWithCurrent) {
    PutI32(out, file.currentProgram);
    reserved -= kFieldBytes;
  }
  out.insert(out.end(), reserved, 0);
  if (file.chunkForm) {
    PutChunk(out, file.chunk);
  } else {
    // The programs inside a bank are records of format version 1.
    for (const PresetProgram& p : file.programs) PutProgram(out, file, p, false, 1);
  }
  PatchRecordSize(out, 0);
}

// Big-endian reads that stop at the end of the bytes.
class Reader
{
public:
  explicit Reader(const std::vector<unsigned char>& bytes) : mBytes(bytes) {}

  size_t Left() const { return mBytes.size() - mPos; }

  bool U32(uint32_t& v)
  {
    if (Left() < kFieldBytes) return false;
    v = 0;
    for (size_t i = 0; i < kFieldBytes; ++i) v = (v << kBitsPerByte) | mBytes[mPos++];
    return true;
  }

  bool I32(int32_t& v)
  {
    uint32_t u;
    if (!U32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }

  bool Float(float& v)
  {
    uint32_t bits;
    if (!U32(bits)) return false;
    std::memcpy(&v, &bits, sizeof v);
    return true;
  }

  // Takes n bytes; n was checked against Left() by the caller.
  void Take(size_t n, std::vector<unsigned char>& out)
  {
    out.assign(mBytes.begin() + static_cast<std::ptrdiff_t>(mPos), mBytes.begin() + static_cast<std::ptrdiff_t>(mPos + n));
    mPos += n;
  }

  bool Name(std::string& name)
  {
    if (Left() < kPresetNameFieldBytes) return false;
    const char* field = reinterpret_cast<const char*>(&mBytes[mPos]);
    // A name may fill the whole field without a terminator.
    name.assign(field, strnlen(field, kPresetNameFieldBytes));
    mPos += kPresetNameFieldBytes;
    return true;
  }

  void Skip(size_t n) { mPos += std::min(n, Left()); }

private:
  const std::vector<unsigned char>& mBytes;
  size_t mPos = 0;
};

bool Fail(std::string& error, const std::string& why)
{
  error = why;
  return false;
}

// A chunk: its size field and that many bytes.
bool ReadChunk(Reader& in, std::vector<unsigned char>& chunk, std::string& error)
{
  uint32_t size;
  if (!in.U32(size)) return Fail(error, "the file ends before the chunk size");
  if (size > in.Left()) return Fail(error, "the chunk runs past the end of the file");
  in.Take(size, chunk);
  return true;
}

// The fields every record starts with: magic, size (not relied on: hosts
// disagree on what it counts), layout code, format version, plug-in ID and
// version, and the count after them.
struct RecordHead
{
  uint32_t layout = 0;
  int32_t formatVersion = 0, pluginId = 0, pluginVersion = 0;
  uint32_t count = 0;
};

bool ReadRecordHead(Reader& in, RecordHead& head, std::string& error)
{
  uint32_t magic, size;
  if (!in.U32(magic) || magic != kRecordMagic) return Fail(error, "not a preset file (no 'CcnK' record)");
  if (!in.U32(size) || !in.U32(head.layout) || !in.I32(head.formatVersion) || !in.I32(head.pluginId) ||
      !in.I32(head.pluginVersion) || !in.U32(head.count)) {
    return Fail(error, "the file ends inside a record header");
  }
  return true;
}

// The rest of a program record after its head; chunks only where allowed.
bool ReadProgramBody(Reader& in, const RecordHead& head, bool chunkAllowed, PresetFile& file, PresetProgram& program,
                     std::string& error)
{
  if (!in.Name(program.name)) return Fail(error, "the file ends inside a program name");
  if (head.layout == kProgramChunk && chunkAllowed) {
    file.chunkParamCount = static_cast<int32_t>(head.count);
    return ReadChunk(in, file.chunk, error);
  }
  if (head.layout != kProgramParams) return Fail(error, "a program record of an unknown layout");
  if (head.count > in.Left() / sizeof(float)) return Fail(error, "the parameter values run past the end of the file");
  program.values.resize(head.count);
  for (float& v : program.values) in.Float(v);
  return true;
}

bool ParseProgramFile(Reader& in, const RecordHead& head, PresetFile& file, std::string& error)
{
  file.kind = PresetKind::kProgram;
  file.chunkForm = head.layout == kProgramChunk;
  file.programs.assign(1, PresetProgram());
  return ReadProgramBody(in, head, true, file, file.programs[0], error);
}

bool ParseBankFile(Reader& in, const RecordHead& head, PresetFile& file, std::string& error)
{
  file.kind = PresetKind::kBank;
  file.chunkForm = head.layout == kBankChunk;
  if (in.Left() < kPresetBankReservedBytes) return Fail(error, "the file ends inside the bank header");
  size_t reserved = kPresetBankReservedBytes;
  if (file.formatVersion >= kBankVersionWithCurrent) {
    in.I32(file.currentProgram);
    reserved -= kFieldBytes;
  }
  in.Skip(reserved);
  if (file.chunkForm) return ReadChunk(in, file.chunk, error);
  if (head.count > in.Left() / kPresetProgramHeaderBytes) return Fail(error, "the programs run past the end of the file");
  file.programs.assign(head.count, PresetProgram());
  for (uint32_t i = 0; i < head.count; ++i) {
    RecordHead programHead;
    if (!ReadRecordHead(in, programHead, error)) return false;
    if (programHead.pluginId != file.pluginId) return Fail(error, "a program of the bank is for another plug-in");
    if (!ReadProgramBody(in, programHead, false, file, file.programs[i], error)) return false;
  }
  return true;
}

}  // namespace

std::vector<unsigned char> EncodePresetFile(const PresetFile& file)
{
  std::vector<unsigned char> out;
  if (file.kind == PresetKind::kBank) {
    PutBank(out, file);
  } else {
    const PresetProgram none;
    PutProgram(out, file, file.programs.empty() ? none : file.programs[0], file.chunkForm, file.formatVersion);
  }
  return out;
}

bool ParsePresetFile(const std::vector<unsigned char>& bytes, PresetFile& file, std::string& error)
{
  file = PresetFile();
  Reader in(bytes);
  RecordHead head;
  if (!ReadRecordHead(in, head, error)) return false;
  file.formatVersion = head.formatVersion;
  file.pluginId = head.pluginId;
  file.pluginVersion = head.pluginVersion;
  switch (head.layout) {
    case kProgramParams:
    case kProgramChunk: return ParseProgramFile(in, head, file, error);
    case kBankParams:
    case kBankChunk: return ParseBankFile(in, head, file, error);
    default: return Fail(error, "not a preset file (unknown layout code)");
  }
}
