#pragma once
// VST3 preset files (.vstpreset) as VST3 hosts save and load them: a header
// naming the plug-in's class, then chunks of data ('Comp' the component's
// state, 'Cont' the edit controller's, 'Info' metadata), then a list of where
// each chunk lies. Every number is little-endian. Plain data and byte
// conversions: no plug-in is involved here (tools/HostPresets.h moves them
// into and out of one).

#include <cstddef>
#include <string>
#include <vector>

// Characters of a class identifier's text form: 32 hexadecimal digits.
constexpr size_t kVst3ClassIdChars = 32;
// Bytes of a class identifier.
constexpr size_t kVst3ClassIdBytes = 16;
// Bytes of a chunk's identifier: four characters.
constexpr size_t kVst3ChunkIdChars = 4;
// The header: 'VST3', the format version, the class and the list's offset.
constexpr size_t kVst3PresetHeaderBytes = 4 + 4 + kVst3ClassIdChars + 8;

// The chunk identifiers hosts write.
constexpr char kVst3ComponentChunk[] = "Comp";
constexpr char kVst3ControllerChunk[] = "Cont";

struct Vst3PresetChunk
{
  std::string id;  // four characters
  std::vector<unsigned char> bytes;
};

// A preset file's content. A plain value: owns its buffers.
struct Vst3PresetFile
{
  // The class's text form, 32 hexadecimal digits in the order the
  // identifier is written.
  std::string classId;
  std::vector<Vst3PresetChunk> chunks;

  // The first chunk of that identifier, or null.
  const Vst3PresetChunk* Find(const char* id) const;
};

// The file's bytes: the chunks in order, the list after them. Any thread.
std::vector<unsigned char> EncodeVst3Preset(const Vst3PresetFile& file);

// Reads a preset file; false with error set when the bytes are not one (a
// wrong magic or class, a list or a chunk outside the file). Nothing is
// allocated beyond the file's own size. Any thread.
bool ParseVst3Preset(const std::vector<unsigned char>& bytes, Vst3PresetFile& file, std::string& error);

// The text form of a class identifier's 16 bytes as they sit in memory;
// comByteOrder when the first three groups are stored little-endian, as on
// Windows.
std::string Vst3ClassIdText(const char* bytes, bool comByteOrder);
