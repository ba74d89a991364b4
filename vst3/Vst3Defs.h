#pragma once
// The parts of the VST3 binary interface this plug-in and its test host use,
// declared from the published interface definitions: identifiers, method
// order and record layout. Records use the platform's natural alignment with
// 8-byte members 8-byte aligned on 32-bit Windows too, as hosts build them.
// The calling convention, the identifiers' byte order and the result codes
// differ between Windows and Linux (Vst3Platform.h of the platform folder).

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Vst3Platform.h"

namespace vst3 {

typedef int32_t tresult;
typedef uint8_t TBool;
typedef char16_t TChar;
typedef TChar String128[128];
typedef const char* FIDString;
typedef uint32_t ParamID;
typedef double ParamValue;
typedef uint64_t SpeakerArrangement;
typedef int32_t MediaType;
typedef int32_t BusDirection;
typedef int FileDescriptor;
typedef uint64_t TimerInterval;

// Characters in a String128, terminator included.
constexpr int kString128Chars = 128;

// A 16-byte class or interface identifier as it sits in memory.
struct Uid
{
  char bytes[16];
};

// Builds an identifier from its four 32-bit groups as published.
constexpr Uid MakeUid(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
  const uint32_t g[4] = {a, b, c, d};
  Uid u = {};
  for (int i = 0; i < 16; ++i) u.bytes[i] = static_cast<char>((g[i / 4] >> (24 - 8 * (i % 4))) & 0xFF);
  if (kComByteOrder) {
    // COM stores the first group and the two halves of the second
    // little-endian.
    const int order[8] = {3, 2, 1, 0, 5, 4, 7, 6};
    Uid swapped = u;
    for (int i = 0; i < 8; ++i) swapped.bytes[i] = u.bytes[order[i]];
    return swapped;
  }
  return u;
}

// Whether the 16 bytes at a are the identifier b; false for null.
inline bool SameUid(const char* a, const Uid& b) { return a && std::memcmp(a, b.bytes, sizeof b.bytes) == 0; }

// Interface identifiers.
constexpr Uid kFUnknownIid = MakeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
constexpr Uid kIPluginBaseIid = MakeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
constexpr Uid kIPluginFactoryIid = MakeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
constexpr Uid kIPluginFactory2Iid = MakeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
constexpr Uid kIPluginFactory3Iid = MakeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
constexpr Uid kIComponentIid = MakeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
constexpr Uid kIAudioProcessorIid = MakeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
constexpr Uid kIEditControllerIid = MakeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
constexpr Uid kIComponentHandlerIid = MakeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
constexpr Uid kIConnectionPointIid = MakeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
constexpr Uid kIMessageIid = MakeUid(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
constexpr Uid kIAttributeListIid = MakeUid(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
constexpr Uid kIHostApplicationIid = MakeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
constexpr Uid kIBStreamIid = MakeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
constexpr Uid kIParamValueQueueIid = MakeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
constexpr Uid kIParameterChangesIid = MakeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
constexpr Uid kIEventListIid = MakeUid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
constexpr Uid kIPlugViewIid = MakeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
constexpr Uid kIPlugFrameIid = MakeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
constexpr Uid kIRunLoopIid = MakeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
constexpr Uid kIEventHandlerIid = MakeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
constexpr Uid kITimerHandlerIid = MakeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

// Constants.
constexpr MediaType kAudio = 0;
constexpr MediaType kEvent = 1;
constexpr BusDirection kInput = 0;
constexpr BusDirection kOutput = 1;
constexpr int32_t kMainBus = 0;
constexpr uint32_t kBusDefaultActive = 1;
constexpr int32_t kSample32 = 0;
constexpr int32_t kSample64 = 1;
constexpr int32_t kRealtime = 0;
constexpr int32_t kPrefetch = 1;
constexpr int32_t kOffline = 2;
constexpr int32_t kManyInstances = 0x7FFFFFFF;
constexpr int32_t kFactoryUnicode = 1 << 4;
constexpr uint32_t kParamCanAutomate = 1 << 0;
constexpr uint32_t kParamIsList = 1 << 3;
constexpr int32_t kRestartParamValuesChanged = 1 << 2;
constexpr int32_t kRestartLatencyChanged = 1 << 3;
constexpr SpeakerArrangement kSpeakerL = 1 << 0;
constexpr SpeakerArrangement kSpeakerR = 1 << 1;
constexpr SpeakerArrangement kSpeakerM = 1 << 19;
constexpr SpeakerArrangement kArrangementMono = kSpeakerM;
constexpr SpeakerArrangement kArrangementStereo = kSpeakerL | kSpeakerR;
constexpr int32_t kSeekSet = 0;
constexpr int32_t kSeekCurrent = 1;
constexpr int32_t kSeekEnd = 2;
// ProcessContext state bits.
constexpr uint32_t kContextPlaying = 1 << 1;
constexpr uint32_t kContextCycleActive = 1 << 2;
constexpr uint32_t kContextProjectTimeMusicValid = 1 << 9;
constexpr uint32_t kContextTempoValid = 1 << 10;
constexpr uint32_t kContextBarPositionValid = 1 << 11;
constexpr uint32_t kContextCycleValid = 1 << 12;
constexpr uint32_t kContextTimeSigValid = 1 << 13;

// Class categories and view and platform names.
constexpr const char* kAudioEffectClass = "Audio Module Class";
constexpr const char* kControllerClass = "Component Controller Class";
constexpr const char* kEditorView = "editor";
constexpr const char* kPlatformHwnd = "HWND";
constexpr const char* kPlatformX11Window = "X11EmbedWindowID";

// Records.

struct PFactoryInfo
{
  char vendor[64];
  char url[256];
  char email[128];
  int32_t flags;
};

struct PClassInfo
{
  Uid cid;
  int32_t cardinality;
  char category[32];
  char name[64];
};

struct PClassInfo2
{
  Uid cid;
  int32_t cardinality;
  char category[32];
  char name[64];
  uint32_t classFlags;
  char subCategories[128];
  char vendor[64];
  char version[64];
  char sdkVersion[64];
};

struct PClassInfoW
{
  Uid cid;
  int32_t cardinality;
  char category[32];
  char16_t name[64];
  uint32_t classFlags;
  char subCategories[128];
  char16_t vendor[64];
  char16_t version[64];
  char16_t sdkVersion[64];
};

struct BusInfo
{
  MediaType mediaType;
  BusDirection direction;
  int32_t channelCount;
  String128 name;
  int32_t busType;
  uint32_t flags;
};

struct RoutingInfo
{
  MediaType mediaType;
  int32_t busIndex;
  int32_t channel;
};

struct ParameterInfo
{
  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32_t stepCount;
  alignas(8) ParamValue defaultNormalizedValue;
  int32_t unitId;
  int32_t flags;
};

struct ProcessSetup
{
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t maxSamplesPerBlock;
  alignas(8) double sampleRate;
};

struct AudioBusBuffers
{
  int32_t numChannels;
  alignas(8) uint64_t silenceFlags;
  union
  {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};

struct Chord
{
  uint8_t keyNote;
  uint8_t rootNote;
  int16_t chordMask;
};

struct FrameRate
{
  uint32_t framesPerSecond;
  uint32_t flags;
};

struct ProcessContext
{
  uint32_t state;
  alignas(8) double sampleRate;
  alignas(8) int64_t projectTimeSamples;
  alignas(8) int64_t systemTime;
  alignas(8) int64_t continuousTimeSamples;
  alignas(8) double projectTimeMusic;
  alignas(8) double barPositionMusic;
  alignas(8) double cycleStartMusic;
  alignas(8) double cycleEndMusic;
  alignas(8) double tempo;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  Chord chord;
  int32_t smpteOffsetSubframes;
  FrameRate frameRate;
  int32_t samplesToNextClock;
};

struct ViewRect
{
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

class IParameterChanges;
class IEventList;

struct ProcessData
{
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t numSamples;
  int32_t numInputs;
  int32_t numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

// One event of an event list; this plug-in takes none and only names it.
struct Event;

// Interfaces, methods in vtable order.

class FUnknown
{
public:
  virtual tresult VST3_CALL queryInterface(const char* iid, void** obj) = 0;
  virtual uint32_t VST3_CALL addRef() = 0;
  virtual uint32_t VST3_CALL release() = 0;
};

class IPluginBase : public FUnknown
{
public:
  virtual tresult VST3_CALL initialize(FUnknown* context) = 0;
  virtual tresult VST3_CALL terminate() = 0;
};

class IPluginFactory : public FUnknown
{
public:
  virtual tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32_t VST3_CALL countClasses() = 0;
  virtual tresult VST3_CALL getClassInfo(int32_t index, PClassInfo* info) = 0;
  virtual tresult VST3_CALL createInstance(FIDString cid, FIDString iid, void** obj) = 0;
};

class IPluginFactory2 : public IPluginFactory
{
public:
  virtual tresult VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) = 0;
};

class IPluginFactory3 : public IPluginFactory2
{
public:
  virtual tresult VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
  virtual tresult VST3_CALL setHostContext(FUnknown* context) = 0;
};

class IBStream : public FUnknown
{
public:
  virtual tresult VST3_CALL read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
  virtual tresult VST3_CALL write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
  virtual tresult VST3_CALL seek(int64_t pos, int32_t mode, int64_t* result) = 0;
  virtual tresult VST3_CALL tell(int64_t* pos) = 0;
};

class IComponent : public IPluginBase
{
public:
  virtual tresult VST3_CALL getControllerClassId(char* classId) = 0;
  virtual tresult VST3_CALL setIoMode(int32_t mode) = 0;
  virtual int32_t VST3_CALL getBusCount(MediaType type, BusDirection dir) = 0;
  virtual tresult VST3_CALL getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus) = 0;
  virtual tresult VST3_CALL getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
  virtual tresult VST3_CALL activateBus(MediaType type, BusDirection dir, int32_t index, TBool state) = 0;
  virtual tresult VST3_CALL setActive(TBool state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;
};

class IAudioProcessor : public FUnknown
{
public:
  virtual tresult VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                               SpeakerArrangement* outputs, int32_t numOuts) = 0;
  virtual tresult VST3_CALL getBusArrangement(BusDirection dir, int32_t index, SpeakerArrangement& arr) = 0;
  virtual tresult VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) = 0;
  virtual uint32_t VST3_CALL getLatencySamples() = 0;
  virtual tresult VST3_CALL setupProcessing(ProcessSetup& setup) = 0;
  virtual tresult VST3_CALL setProcessing(TBool state) = 0;
  virtual tresult VST3_CALL process(ProcessData& data) = 0;
  virtual uint32_t VST3_CALL getTailSamples() = 0;
};

class IParamValueQueue : public FUnknown
{
public:
  virtual ParamID VST3_CALL getParameterId() = 0;
  virtual int32_t VST3_CALL getPointCount() = 0;
  virtual tresult VST3_CALL getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) = 0;
  virtual tresult VST3_CALL addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) = 0;
};

class IParameterChanges : public FUnknown
{
public:
  virtual int32_t VST3_CALL getParameterCount() = 0;
  virtual IParamValueQueue* VST3_CALL getParameterData(int32_t index) = 0;
  virtual IParamValueQueue* VST3_CALL addParameterData(const ParamID& id, int32_t& index) = 0;
};

class IEventList : public FUnknown
{
public:
  virtual int32_t VST3_CALL getEventCount() = 0;
  virtual tresult VST3_CALL getEvent(int32_t index, Event& e) = 0;
  virtual tresult VST3_CALL addEvent(Event& e) = 0;
};

class IComponentHandler : public FUnknown
{
public:
  virtual tresult VST3_CALL beginEdit(ParamID id) = 0;
  virtual tresult VST3_CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
  virtual tresult VST3_CALL endEdit(ParamID id) = 0;
  virtual tresult VST3_CALL restartComponent(int32_t flags) = 0;
};

class IPlugFrame;

class IPlugView : public FUnknown
{
public:
  virtual tresult VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
  virtual tresult VST3_CALL attached(void* parent, FIDString type) = 0;
  virtual tresult VST3_CALL removed() = 0;
  virtual tresult VST3_CALL onWheel(float distance) = 0;
  virtual tresult VST3_CALL onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult VST3_CALL onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult VST3_CALL getSize(ViewRect* size) = 0;
  virtual tresult VST3_CALL onSize(ViewRect* newSize) = 0;
  virtual tresult VST3_CALL onFocus(TBool state) = 0;
  virtual tresult VST3_CALL setFrame(IPlugFrame* frame) = 0;
  virtual tresult VST3_CALL canResize() = 0;
  virtual tresult VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;
};

class IPlugFrame : public FUnknown
{
public:
  virtual tresult VST3_CALL resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

class IEditController : public IPluginBase
{
public:
  virtual tresult VST3_CALL setComponentState(IBStream* state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;
  virtual int32_t VST3_CALL getParameterCount() = 0;
  virtual tresult VST3_CALL getParameterInfo(int32_t paramIndex, ParameterInfo& info) = 0;
  virtual tresult VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized, TChar* string) = 0;
  virtual tresult VST3_CALL getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
  virtual ParamValue VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
  virtual ParamValue VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
  virtual ParamValue VST3_CALL getParamNormalized(ParamID id) = 0;
  virtual tresult VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
  virtual tresult VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
  virtual IPlugView* VST3_CALL createView(FIDString name) = 0;
};

class IAttributeList : public FUnknown
{
public:
  virtual tresult VST3_CALL setInt(const char* id, int64_t value) = 0;
  virtual tresult VST3_CALL getInt(const char* id, int64_t& value) = 0;
  virtual tresult VST3_CALL setFloat(const char* id, double value) = 0;
  virtual tresult VST3_CALL getFloat(const char* id, double& value) = 0;
  virtual tresult VST3_CALL setString(const char* id, const TChar* string) = 0;
  virtual tresult VST3_CALL getString(const char* id, TChar* string, uint32_t sizeInBytes) = 0;
  virtual tresult VST3_CALL setBinary(const char* id, const void* data, uint32_t sizeInBytes) = 0;
  virtual tresult VST3_CALL getBinary(const char* id, const void*& data, uint32_t& sizeInBytes) = 0;
};

class IMessage : public FUnknown
{
public:
  virtual FIDString VST3_CALL getMessageID() = 0;
  virtual void VST3_CALL setMessageID(FIDString id) = 0;
  virtual IAttributeList* VST3_CALL getAttributes() = 0;
};

class IConnectionPoint : public FUnknown
{
public:
  virtual tresult VST3_CALL connect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL disconnect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL notify(IMessage* message) = 0;
};

class IHostApplication : public FUnknown
{
public:
  virtual tresult VST3_CALL getName(TChar* name) = 0;
  virtual tresult VST3_CALL createInstance(char* cid, char* iid, void** obj) = 0;
};

class IEventHandler : public FUnknown
{
public:
  virtual void VST3_CALL onFDIsSet(FileDescriptor fd) = 0;
};

class ITimerHandler : public FUnknown
{
public:
  virtual void VST3_CALL onTimer() = 0;
};

class IRunLoop : public FUnknown
{
public:
  virtual tresult VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
  virtual tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
  virtual tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
  virtual tresult VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;
};

// The module's exported factory function.
typedef IPluginFactory*(VST3_CALL* GetFactoryProc)();

// Layouts, for 32- and 64-bit builds alike unless noted.
#define VST3_OFFSET(type, field, off32, off64) \
  static_assert(offsetof(type, field) == (sizeof(void*) == 4 ? (off32) : (off64)), #type "::" #field)

static_assert(sizeof(Uid) == 16, "Uid");
static_assert(sizeof(PFactoryInfo) == 452, "PFactoryInfo");
VST3_OFFSET(PFactoryInfo, url, 64, 64);
VST3_OFFSET(PFactoryInfo, email, 320, 320);
VST3_OFFSET(PFactoryInfo, flags, 448, 448);
static_assert(sizeof(PClassInfo) == 116, "PClassInfo");
VST3_OFFSET(PClassInfo, cardinality, 16, 16);
VST3_OFFSET(PClassInfo, category, 20, 20);
VST3_OFFSET(PClassInfo, name, 52, 52);
static_assert(sizeof(PClassInfo2) == 440, "PClassInfo2");
VST3_OFFSET(PClassInfo2, classFlags, 116, 116);
VST3_OFFSET(PClassInfo2, subCategories, 120, 120);
VST3_OFFSET(PClassInfo2, vendor, 248, 248);
VST3_OFFSET(PClassInfo2, version, 312, 312);
VST3_OFFSET(PClassInfo2, sdkVersion, 376, 376);
static_assert(sizeof(PClassInfoW) == 696, "PClassInfoW");
VST3_OFFSET(PClassInfoW, name, 52, 52);
VST3_OFFSET(PClassInfoW, classFlags, 180, 180);
VST3_OFFSET(PClassInfoW, subCategories, 184, 184);
VST3_OFFSET(PClassInfoW, vendor, 312, 312);
VST3_OFFSET(PClassInfoW, version, 440, 440);
VST3_OFFSET(PClassInfoW, sdkVersion, 568, 568);
static_assert(sizeof(BusInfo) == 276, "BusInfo");
VST3_OFFSET(BusInfo, channelCount, 8, 8);
VST3_OFFSET(BusInfo, name, 12, 12);
VST3_OFFSET(BusInfo, busType, 268, 268);
VST3_OFFSET(BusInfo, flags, 272, 272);
static_assert(sizeof(RoutingInfo) == 12, "RoutingInfo");
static_assert(sizeof(ParameterInfo) == 792, "ParameterInfo");
VST3_OFFSET(ParameterInfo, title, 4, 4);
VST3_OFFSET(ParameterInfo, shortTitle, 260, 260);
VST3_OFFSET(ParameterInfo, units, 516, 516);
VST3_OFFSET(ParameterInfo, stepCount, 772, 772);
VST3_OFFSET(ParameterInfo, defaultNormalizedValue, 776, 776);
VST3_OFFSET(ParameterInfo, unitId, 784, 784);
VST3_OFFSET(ParameterInfo, flags, 788, 788);
static_assert(sizeof(ProcessSetup) == 24, "ProcessSetup");
VST3_OFFSET(ProcessSetup, maxSamplesPerBlock, 8, 8);
VST3_OFFSET(ProcessSetup, sampleRate, 16, 16);
static_assert(sizeof(AudioBusBuffers) == 24, "AudioBusBuffers");
VST3_OFFSET(AudioBusBuffers, silenceFlags, 8, 8);
VST3_OFFSET(AudioBusBuffers, channelBuffers32, 16, 16);
static_assert(sizeof(ProcessContext) == 112, "ProcessContext");
VST3_OFFSET(ProcessContext, sampleRate, 8, 8);
VST3_OFFSET(ProcessContext, projectTimeSamples, 16, 16);
VST3_OFFSET(ProcessContext, continuousTimeSamples, 32, 32);
VST3_OFFSET(ProcessContext, projectTimeMusic, 40, 40);
VST3_OFFSET(ProcessContext, barPositionMusic, 48, 48);
VST3_OFFSET(ProcessContext, cycleStartMusic, 56, 56);
VST3_OFFSET(ProcessContext, cycleEndMusic, 64, 64);
VST3_OFFSET(ProcessContext, tempo, 72, 72);
VST3_OFFSET(ProcessContext, timeSigNumerator, 80, 80);
VST3_OFFSET(ProcessContext, timeSigDenominator, 84, 84);
VST3_OFFSET(ProcessContext, chord, 88, 88);
VST3_OFFSET(ProcessContext, smpteOffsetSubframes, 92, 92);
VST3_OFFSET(ProcessContext, frameRate, 96, 96);
VST3_OFFSET(ProcessContext, samplesToNextClock, 104, 104);
static_assert(sizeof(ViewRect) == 16, "ViewRect");
static_assert(sizeof(void*) == 4 ? sizeof(ProcessData) == 48 : sizeof(ProcessData) == 80, "ProcessData");
VST3_OFFSET(ProcessData, numOutputs, 16, 16);
VST3_OFFSET(ProcessData, inputs, 20, 24);
VST3_OFFSET(ProcessData, outputs, 24, 32);
VST3_OFFSET(ProcessData, inputParameterChanges, 28, 40);
VST3_OFFSET(ProcessData, outputParameterChanges, 32, 48);
VST3_OFFSET(ProcessData, inputEvents, 36, 56);
VST3_OFFSET(ProcessData, outputEvents, 40, 64);
VST3_OFFSET(ProcessData, processContext, 44, 72);

#undef VST3_OFFSET

}  // namespace vst3
