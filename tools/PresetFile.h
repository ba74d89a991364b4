#pragma once
// Preset files as VST 2.4 hosts exchange them: one program (.fxp) or a bank
// of programs (.fxb), each holding either normalized parameter values or the
// plug-in's own chunk. Every number in them is big-endian; program names
// are fixed fields of 28 bytes. Plain data and byte conversions: no plug-in
// is involved here (tools/HostPresets.h moves them into and out of one).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Bytes of a program's name field; a stored name fills at most one byte less.
constexpr size_t kPresetNameFieldBytes = 28;
// Bytes of the seven 32-bit fields every record starts with.
constexpr size_t kPresetRecordHeadBytes = 7 * 4;
// Bytes before a program's values or chunk: the record head and the name.
constexpr size_t kPresetProgramHeaderBytes = kPresetRecordHeadBytes + kPresetNameFieldBytes;
// Reserved bytes after a bank's record head; format version 2 keeps the
// current program in the first four.
constexpr size_t kPresetBankReservedBytes = 128;
// Bytes before a bank's programs or chunk.
constexpr size_t kPresetBankHeaderBytes = kPresetRecordHeadBytes + kPresetBankReservedBytes;

enum class PresetKind
{
  kProgram,  // .fxp
  kBank,     // .fxb
};

// One program of a file: its name and, in the parameter form, its values.
struct PresetProgram
{
  std::string name;
  std::vector<float> values;
};

// A preset file's content. A plain value: owns its buffers.
struct PresetFile
{
  PresetKind kind = PresetKind::kProgram;
  // The plug-in's chunk (chunk) instead of parameter values (programs).
  bool chunkForm = false;
  int32_t formatVersion = 1;
  int32_t pluginId = 0;
  int32_t pluginVersion = 0;
  // Written and read by banks of format version 2 only.
  int32_t currentProgram = 0;
  // The parameter count a chunk-form program file declares.
  int32_t chunkParamCount = 0;
  // Parameter form: the programs (exactly one in a program file). Chunk
  // form: a program file keeps its name in programs[0] with no values.
  std::vector<PresetProgram> programs;
  std::vector<unsigned char> chunk;
};

// The file's bytes. A program file needs one program; names longer than the
// field allows are cut. Any thread.
std::vector<unsigned char> EncodePresetFile(const PresetFile& file);

// Reads a program or bank file of either form. False with error set when
// the bytes are not one: a wrong magic, counts or sizes that run past the
// end. Every count is checked against the bytes left before anything is
// allocated, so hostile files cost no more memory than their own size.
// Any thread.
bool ParsePresetFile(const std::vector<unsigned char>& bytes, PresetFile& file, std::string& error);
