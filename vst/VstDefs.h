#pragma once
// The VST 2.4 records and constants this plug-in uses, declared from their
// published layout. 32-bit and 64-bit builds use the platform's natural
// alignment with 8-byte packing, which is what hosts expect.

#include <cstddef>
#include <cstdint>

// Every function here uses the C calling convention, the compilers' default
// on all our targets.

typedef intptr_t VstIntPtr;
typedef int32_t VstInt32;

struct AEffect;

typedef VstIntPtr(*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                  void* ptr, float opt);
typedef VstIntPtr(*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                    VstIntPtr value, void* ptr, float opt);
typedef void(*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
typedef void(*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                                 VstInt32 frames);
typedef void(*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float(*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

#pragma pack(push, 8)

struct AEffect
{
  VstInt32 magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags;
  VstIntPtr resvd1;
  VstIntPtr resvd2;
  VstInt32 initialDelay;
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object;
  void* user;
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

struct ERect
{
  int16_t top, left, bottom, right;
};

struct VstSpeakerProperties
{
  float azimuth, elevation, radius, reserved;
  char name[64];
  VstInt32 type;
  char future[28];
};

struct VstSpeakerArrangement
{
  VstInt32 type;
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
};

struct VstPinProperties
{
  char label[64];
  VstInt32 flags;
  VstInt32 arrangementType;
  char shortLabel[8];
  char future[48];
};

struct VstEvent
{
  VstInt32 type, byteSize, deltaFrames, flags;
  char data[16];
};

struct VstEvents
{
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];
};

struct VstMidiEvent
{
  VstInt32 type, byteSize, deltaFrames, flags;
  VstInt32 noteLength, noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1, reserved2;
};

struct VstMidiSysexEvent
{
  VstInt32 type, byteSize, deltaFrames, flags;
  VstInt32 dumpBytes;
  VstIntPtr resvd1;
  char* sysexDump;
  VstIntPtr resvd2;
};

struct VstTimeInfo
{
  double samplePos, sampleRate, nanoSeconds, ppqPos, tempo, barStartPos, cycleStartPos, cycleEndPos;
  VstInt32 timeSigNumerator, timeSigDenominator, smpteOffset, smpteFrameRate, samplesToNextClock, flags;
};

struct MidiKeyName
{
  VstInt32 thisProgramIndex;
  VstInt32 thisKeyNumber;
  char keyName[64];
  VstInt32 reserved;
  VstInt32 flags;
};

#pragma pack(pop)

static_assert(sizeof(ERect) == 8, "ERect layout");
static_assert(sizeof(VstSpeakerArrangement) == 904, "VstSpeakerArrangement layout");
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties layout");
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo layout");
static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent layout");
static_assert(sizeof(MidiKeyName) == 80, "MidiKeyName layout");
static_assert(sizeof(void*) == 4 ? sizeof(AEffect) == 144 : sizeof(AEffect) == 192, "AEffect size");
static_assert(sizeof(void*) == 4 ? sizeof(VstMidiSysexEvent) == 32 : sizeof(VstMidiSysexEvent) == 48,
              "VstMidiSysexEvent layout");
#define VEXA_AEFFECT_OFFSET(field, off32, off64) \
  static_assert(offsetof(AEffect, field) == (sizeof(void*) == 4 ? (off32) : (off64)), "AEffect::" #field)
VEXA_AEFFECT_OFFSET(magic, 0, 0);
VEXA_AEFFECT_OFFSET(dispatcher, 4, 8);
VEXA_AEFFECT_OFFSET(process, 8, 16);
VEXA_AEFFECT_OFFSET(setParameter, 12, 24);
VEXA_AEFFECT_OFFSET(getParameter, 16, 32);
VEXA_AEFFECT_OFFSET(numPrograms, 20, 40);
VEXA_AEFFECT_OFFSET(numParams, 24, 44);
VEXA_AEFFECT_OFFSET(numInputs, 28, 48);
VEXA_AEFFECT_OFFSET(numOutputs, 32, 52);
VEXA_AEFFECT_OFFSET(flags, 36, 56);
VEXA_AEFFECT_OFFSET(resvd1, 40, 64);
VEXA_AEFFECT_OFFSET(resvd2, 44, 72);
VEXA_AEFFECT_OFFSET(initialDelay, 48, 80);
VEXA_AEFFECT_OFFSET(realQualities, 52, 84);
VEXA_AEFFECT_OFFSET(offQualities, 56, 88);
VEXA_AEFFECT_OFFSET(ioRatio, 60, 92);
VEXA_AEFFECT_OFFSET(object, 64, 96);
VEXA_AEFFECT_OFFSET(user, 68, 104);
VEXA_AEFFECT_OFFSET(uniqueID, 72, 112);
VEXA_AEFFECT_OFFSET(version, 76, 116);
VEXA_AEFFECT_OFFSET(processReplacing, 80, 120);
VEXA_AEFFECT_OFFSET(processDoubleReplacing, 84, 128);
VEXA_AEFFECT_OFFSET(future, 88, 136);
#undef VEXA_AEFFECT_OFFSET

// Record magic: "VstP".
constexpr VstInt32 kEffectMagic = 0x56737450;

enum VstAEffectFlags : VstInt32
{
  effFlagsHasEditor = 1,
  effFlagsCanMono = 8,
  effFlagsCanReplacing = 16,
  effFlagsProgramChunks = 32,
  effFlagsIsSynth = 256,
  effFlagsCanDoubleReplacing = 4096,
};

enum AEffectOpcodes : VstInt32
{
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditIdle = 19,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetProgramNameIndexed = 29,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,
  effGetEffectName = 45,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effIdle = 53,
  effGetVstVersion = 58,
  effGetMidiKeyName = 66,
  effGetSpeakerArrangement = 69,
};

enum AudioMasterOpcodes : VstInt32
{
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterCanDo = 37,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
};

enum VstEventTypes : VstInt32
{
  kVstMidiType = 1,
  kVstSysExType = 6,
};

enum VstTimeInfoFlags : VstInt32
{
  kVstTransportChanged = 1,
  kVstTransportPlaying = 2,
  kVstTransportCycleActive = 4,
  kVstNanosValid = 0x100,
  kVstPpqPosValid = 0x200,
  kVstTempoValid = 0x400,
  kVstBarsValid = 0x800,
  kVstCyclePosValid = 0x1000,
  kVstTimeSigValid = 0x2000,
};

enum VstPinFlags : VstInt32
{
  kVstPinIsActive = 1,
  kVstPinIsStereo = 2,
};

enum VstSpeakerArrangementType : VstInt32
{
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo = 1,
};

enum VstPlugCategory : VstInt32
{
  kPlugCategEffect = 1,
  kPlugCategSynth = 2,
};

constexpr VstInt32 kVstProcessLevelOffline = 4;
constexpr VstInt32 kVstVersion = 2400;

// Byte bounds of the texts copied into host buffers, each with terminator.
// Hosts pass fixed-size buffers; nothing longer is ever written into them.
constexpr int kHostParamNameBytes = 16;
constexpr int kHostParamLabelBytes = 8;
constexpr int kHostParamDisplayBytes = 24;
constexpr int kHostProgramNameBytes = 24;
constexpr int kHostEffectNameBytes = 32;
constexpr int kHostVendorBytes = 64;
constexpr int kHostProductNameBytes = 64;
constexpr int kHostPinLabelBytes = 64;
constexpr int kHostMidiKeyNameBytes = 64;
