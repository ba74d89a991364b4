#include "tools/HostPresets.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tools/FileBytes.h"
#include "tools/Vst3Effect.h"
#include "tools/Vst3HostObjects.h"

namespace {

// Host-side buffer for a program name, larger than any plug-in should fill.
constexpr int kProgramNameBufferBytes = 256;
// effGetChunk's and effSetChunk's index: 0 the bank, 1 the current program.
constexpr VstInt32 kChunkOfBank = 0;
constexpr VstInt32 kChunkOfProgram = 1;
// Format versions hosts write: 1 for programs, 2 (with the current program)
// for banks.
constexpr int32_t kProgramFormatVersion = 1;
constexpr int32_t kBankFormatVersion = 2;
constexpr char kProgramSuffix[] = "fxp";
constexpr char kBankSuffix[] = "fxb";
constexpr char kVst3PresetSuffix[] = "vstpreset";
// A VST3 preset file starts with these four bytes.
constexpr char kVst3PresetMagic[] = "VST3";

// The part of a file name after its last dot, in lower case; empty without one.
std::string LowerExtension(const std::string& path)
{
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool SameText(std::string a, std::string b)
{
  for (char& c : a) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (char& c : b) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return a == b;
}

// The text form of the loaded VST3 module's effect class.
std::string ClassIdOf(const HostedPlugin& host)
{
  return Vst3ClassIdText(host.Vst3()->EffectClass().cid.bytes, vst3::kComByteOrder);
}

bool RefuseVst2(const HostedPlugin& host, std::string& error)
{
  if (host.IsVst3()) return false;
  error = "a VST3 preset (.vstpreset) holds a VST3 plug-in's state; this is a VST2 plug-in";
  return true;
}

bool KeepsChunks(const AEffect* e) { return (e->flags & effFlagsProgramChunks) != 0; }

// A plug-in ID as the four characters it spells, first from its high byte;
// '?' for bytes that are no printable character.
std::string FourCharacters(int32_t id)
{
  constexpr int kCharacters = 4;
  constexpr int kBitsPerCharacter = 8;
  std::string s;
  for (int i = kCharacters - 1; i >= 0; --i) {
    const unsigned char c = static_cast<unsigned char>(static_cast<uint32_t>(id) >> (kBitsPerCharacter * i));
    s += std::isprint(c) ? static_cast<char>(c) : '?';
  }
  return s;
}

// The current program's name and values as they are now.
PresetProgram CaptureCurrentProgram(HostedPlugin& host)
{
  AEffect* e = host.Effect();
  char name[kProgramNameBufferBytes] = {};
  host.Dispatch(effGetProgramName, 0, 0, name);
  name[kProgramNameBufferBytes - 1] = 0;
  PresetProgram p;
  p.name = name;
  for (int i = 0; i < e->numParams; ++i) p.values.push_back(e->getParameter(e, i));
  return p;
}

void SetValues(HostedPlugin& host, const PresetProgram& program)
{
  AEffect* e = host.Effect();
  for (size_t i = 0; i < program.values.size(); ++i) {
    // Normalized values live in 0..1; a file from a careless host may
    // stray a rounding step outside.
    e->setParameter(e, static_cast<VstInt32>(i), std::clamp(program.values[i], 0.0f, 1.0f));
  }
}

// Values first, then the name: a plug-in that keeps named presets stores
// the values it has when it is named.
void ApplyProgram(HostedPlugin& host, const PresetProgram& program)
{
  SetValues(host, program);
  NameCurrentProgram(host, program.name);
}

bool CaptureChunk(HostedPlugin& host, PresetKind kind, PresetFile& file)
{
  AEffect* e = host.Effect();
  void* data = nullptr;
  const VstIntPtr size =
    host.Dispatch(effGetChunk, kind == PresetKind::kBank ? kChunkOfBank : kChunkOfProgram, 0, &data);
  if (size <= 0 || !data) return false;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  file.chunk.assign(bytes, bytes + size);
  if (kind == PresetKind::kProgram) {
    file.chunkParamCount = e->numParams;
    file.programs.assign(1, PresetProgram());
    file.programs[0].name = CaptureCurrentProgram(host).name;
  } else {
    file.currentProgram = static_cast<int32_t>(host.Dispatch(effGetProgram));
  }
  return true;
}

void CaptureBankValues(HostedPlugin& host, PresetFile& file)
{
  AEffect* e = host.Effect();
  const VstInt32 current = static_cast<VstInt32>(host.Dispatch(effGetProgram));
  file.currentProgram = current;
  const PresetProgram live = CaptureCurrentProgram(host);
  bool switched = false;
  for (VstInt32 i = 0; i < e->numPrograms; ++i) {
    if (i == current) {
      file.programs.push_back(live);
      continue;
    }
    host.Dispatch(effSetProgram, 0, i);
    switched = true;
    file.programs.push_back(CaptureCurrentProgram(host));
  }
  if (switched) {
    host.Dispatch(effSetProgram, 0, current);
    SetValues(host, live);
  }
}

bool CheckValues(const AEffect* e, const PresetFile& file, std::string& error)
{
  if (file.kind == PresetKind::kBank && file.programs.size() > static_cast<size_t>(std::max(e->numPrograms, 0))) {
    error = "the bank holds " + std::to_string(file.programs.size()) + " programs; the plug-in has " +
            std::to_string(e->numPrograms);
    return false;
  }
  if (file.programs.empty()) {
    error = "the file holds no program";
    return false;
  }
  for (const PresetProgram& p : file.programs) {
    if (p.values.size() > static_cast<size_t>(std::max(e->numParams, 0))) {
      error = "the file holds " + std::to_string(p.values.size()) + " values; the plug-in has " +
              std::to_string(e->numParams) + " parameters";
      return false;
    }
    for (float v : p.values) {
      if (!std::isfinite(v)) {
        error = "the file holds a value that is not a number";
        return false;
      }
    }
  }
  return true;
}

void ApplyBankValues(HostedPlugin& host, const PresetFile& file)
{
  for (size_t i = 0; i < file.programs.size(); ++i) {
    host.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(i));
    ApplyProgram(host, file.programs[i]);
  }
  const bool currentKnown = file.currentProgram >= 0 && static_cast<size_t>(file.currentProgram) < file.programs.size();
  host.Dispatch(effSetProgram, 0, currentKnown ? file.currentProgram : 0);
}

}  // namespace

bool PresetKindOfPath(const std::string& path, PresetKind& kind)
{
  const std::string ext = LowerExtension(path);
  if (ext == kProgramSuffix) {
    kind = PresetKind::kProgram;
    return true;
  }
  if (ext == kBankSuffix) {
    kind = PresetKind::kBank;
    return true;
  }
  return false;
}

bool IsPresetFilePath(const std::string& path)
{
  PresetKind kind;
  return PresetKindOfPath(path, kind) || LowerExtension(path) == kVst3PresetSuffix;
}

void NameCurrentProgram(HostedPlugin& host, const std::string& name)
{
  char text[kProgramNameBufferBytes] = {};
  name.copy(text, kProgramNameBufferBytes - 1);
  host.Dispatch(effSetProgramName, 0, 0, text);
}

bool CapturePreset(HostedPlugin& host, PresetKind kind, PresetFile& file)
{
  AEffect* e = host.Effect();
  file = PresetFile();
  file.kind = kind;
  file.formatVersion = kind == PresetKind::kBank ? kBankFormatVersion : kProgramFormatVersion;
  file.pluginId = e->uniqueID;
  file.pluginVersion = e->version;
  file.chunkForm = KeepsChunks(e);
  if (file.chunkForm) return CaptureChunk(host, kind, file);
  if (kind == PresetKind::kProgram) {
    file.programs.push_back(CaptureCurrentProgram(host));
  } else {
    CaptureBankValues(host, file);
  }
  return true;
}

bool ApplyPreset(HostedPlugin& host, const PresetFile& file, std::string& error)
{
  AEffect* e = host.Effect();
  if (file.pluginId != e->uniqueID) {
    error = "the preset is for the plug-in '" + FourCharacters(file.pluginId) + "', not '" +
            FourCharacters(e->uniqueID) + "'";
    return false;
  }
  if (file.chunkForm) {
    if (!KeepsChunks(e)) {
      error = "the preset holds a chunk, but the plug-in takes parameter values only";
      return false;
    }
    std::vector<unsigned char> chunk = file.chunk;
    host.Dispatch(effSetChunk, file.kind == PresetKind::kBank ? kChunkOfBank : kChunkOfProgram,
                  static_cast<VstIntPtr>(chunk.size()), chunk.data());
    return true;
  }
  if (!CheckValues(e, file, error)) return false;
  if (file.kind == PresetKind::kBank) {
    ApplyBankValues(host, file);
  } else {
    ApplyProgram(host, file.programs[0]);
  }
  return true;
}

bool CaptureVst3Preset(HostedPlugin& host, Vst3PresetFile& file, std::string& error)
{
  if (RefuseVst2(host, error)) return false;
  void* data = nullptr;
  const VstIntPtr size = host.Dispatch(effGetChunk, kChunkOfBank, 0, &data);
  if (size <= 0 || !data) {
    error = "the plug-in gave no state";
    return false;
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  file = Vst3PresetFile();
  file.classId = ClassIdOf(host);
  file.chunks.push_back(Vst3PresetChunk{kVst3ComponentChunk, std::vector<unsigned char>(bytes, bytes + size)});
  return true;
}

bool ApplyVst3Preset(HostedPlugin& host, const Vst3PresetFile& file, std::string& error)
{
  if (RefuseVst2(host, error)) return false;
  const std::string ours = ClassIdOf(host);
  if (!SameText(file.classId, ours)) {
    error = "the preset is for the class " + file.classId + ", not " + ours;
    return false;
  }
  const Vst3PresetChunk* component = file.Find(kVst3ComponentChunk);
  if (!component) {
    error = "the preset holds no component state";
    return false;
  }
  std::vector<unsigned char> state = component->bytes;
  if (host.Dispatch(effSetChunk, kChunkOfBank, static_cast<VstIntPtr>(state.size()), state.data()) != 1) {
    error = "the plug-in refused the preset's state";
    return false;
  }
  Vst3Parts parts;
  const Vst3PresetChunk* controller = file.Find(kVst3ControllerChunk);
  if (controller && Vst3PartsOf(host.Effect(), &parts)) {
    MemoryStream stream(controller->bytes);
    parts.controller->setState(&stream);
  }
  return true;
}

bool SavePresetFile(HostedPlugin& host, const std::string& path, std::string& error)
{
  std::vector<unsigned char> bytes;
  PresetKind kind;
  if (LowerExtension(path) == kVst3PresetSuffix) {
    Vst3PresetFile file;
    if (!CaptureVst3Preset(host, file, error)) return false;
    bytes = EncodeVst3Preset(file);
  } else if (PresetKindOfPath(path, kind)) {
    PresetFile file;
    if (!CapturePreset(host, kind, file)) {
      error = "the plug-in gave no chunk";
      return false;
    }
    bytes = EncodePresetFile(file);
  } else {
    error = path + " is not named .fxp, .fxb or .vstpreset";
    return false;
  }
  if (!WriteFileBytes(path, bytes.data(), bytes.size())) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool LoadPresetFile(HostedPlugin& host, const std::string& path, std::string& error)
{
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes)) {
    error = "cannot read " + path;
    return false;
  }
  bool applied;
  if (bytes.size() >= sizeof kVst3PresetMagic - 1 &&
      std::equal(bytes.begin(), bytes.begin() + sizeof kVst3PresetMagic - 1, kVst3PresetMagic)) {
    Vst3PresetFile file;
    applied = ParseVst3Preset(bytes, file, error) && ApplyVst3Preset(host, file, error);
  } else {
    PresetFile file;
    applied = ParsePresetFile(bytes, file, error) && ApplyPreset(host, file, error);
  }
  if (!applied) error = path + ": " + error;
  return applied;
}
