#pragma once
// Preset files through a hosted plug-in, as hosts use them from their preset
// menus. Saving reads the plug-in's chunk when it keeps its programs as
// chunks (effFlagsProgramChunks), and otherwise each program's name and
// normalized parameter values; loading hands them back the same way. Every
// operation here makes the host's calls from the calling thread, the one
// that opened the plug-in.

#include <string>

#include "tools/HostedPlugin.h"
#include "tools/PresetFile.h"

// The kind a file name asks for: ".fxp" a program, ".fxb" a bank, in any
// letter case. False for any other name.
bool PresetKindOfPath(const std::string& path, PresetKind& kind);

// Names the plug-in's current program (effSetProgramName), as hosts do when
// the user names a preset before saving it.
void NameCurrentProgram(HostedPlugin& host, const std::string& name);

// Reads the plug-in's current program (kProgram) or all of its programs
// (kBank) into file. Saving a bank of values visits the other programs and
// comes back to the current one with its unsaved values intact. False when
// a chunk-keeping plug-in gives no chunk.
bool CapturePreset(HostedPlugin& host, PresetKind kind, PresetFile& file);

// Hands a file's programs to the plug-in: values through setParameter, then
// the program's name; chunks through effSetChunk. Refuses, with error set
// and the plug-in untouched, a file for another plug-in ID, more values
// than the plug-in has parameters, more programs than it has, a value that
// is not a number, or a chunk for a plug-in that takes values only.
bool ApplyPreset(HostedPlugin& host, const PresetFile& file, std::string& error);

// CapturePreset and ApplyPreset on a file; the kind follows the name.
bool SavePresetFile(HostedPlugin& host, const std::string& path, std::string& error);
bool LoadPresetFile(HostedPlugin& host, const std::string& path, std::string& error);
