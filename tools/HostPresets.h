#pragma once
// Preset files through a hosted plug-in, as hosts use them from their preset
// menus. VST2 programs and banks (.fxp, .fxb): saving reads the plug-in's
// chunk when it keeps its programs as chunks (effFlagsProgramChunks), and
// otherwise each program's name and normalized parameter values; loading
// hands them back the same way. VST3 presets (.vstpreset): the component's
// state, and the edit controller's where a file holds it. Every operation
// here makes the host's calls from the calling thread, the one that opened
// the plug-in.

#include <string>

#include "tools/HostedPlugin.h"
#include "tools/PresetFile.h"
#include "tools/Vst3PresetFile.h"

// The kind a file name asks for: ".fxp" a program, ".fxb" a bank, in any
// letter case. False for any other name.
bool PresetKindOfPath(const std::string& path, PresetKind& kind);

// Whether a file name is one of a preset file: .fxp, .fxb or .vstpreset.
bool IsPresetFilePath(const std::string& path);

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

// The VST3 plug-in's state as a preset file of its class: the component's
// state. False with error set for a VST2 plug-in or one that gives no state.
bool CaptureVst3Preset(HostedPlugin& host, Vst3PresetFile& file, std::string& error);

// Hands a VST3 preset to the plug-in: the component's state to the
// component and the controller, then the controller's own where the file
// has one. Refuses, with error set and the plug-in untouched, a VST2
// plug-in, a preset of another class or one without the component's state.
bool ApplyVst3Preset(HostedPlugin& host, const Vst3PresetFile& file, std::string& error);

// Saves or loads a preset file; the kind follows the name (.vstpreset) or,
// when loading .fxp and .fxb files, the content.
bool SavePresetFile(HostedPlugin& host, const std::string& path, std::string& error);
bool LoadPresetFile(HostedPlugin& host, const std::string& path, std::string& error);
