#include "tools/HostedPlugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "tools/Lv2Module.h"
#include "tools/Vst3Effect.h"

namespace {

constexpr char kVst3Suffix[] = ".vst3";

bool IsVst3Path(const std::string& path)
{
  std::string p = path;
  while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  const size_t n = sizeof kVst3Suffix - 1;
  return p.size() > n && p.compare(p.size() - n, n, kVst3Suffix) == 0;
}

// Live hosts, so the shared callback finds the one an instance belongs to.
// Guarded by HostsLock(), which is never held while the plug-in runs.
std::vector<HostedPlugin*>& LiveHosts()
{
  static std::vector<HostedPlugin*> hosts;
  return hosts;
}

std::mutex& HostsLock()
{
  static std::mutex lock;
  return lock;
}

// The record audioMasterGetTime hands out: one per calling thread, valid
// until that thread's next request.
thread_local VstTimeInfo tTime = {};

// Host-side text buffers, larger than any plug-in should fill.
constexpr int kHostTextBytes = 256;

// Copies a host text into the plug-in's 256-byte buffer. A text of 256 bytes
// or more fills the buffer with no terminator, as careless hosts do.
VstIntPtr CopyHostText(void* ptr, const std::string& text)
{
  if (!ptr) return 0;
  const size_t n = std::min(text.size() + 1, static_cast<size_t>(kHostTextBytes));
  std::memcpy(ptr, text.c_str(), n);
  return 1;
}

}  // namespace

HostedPlugin::HostedPlugin()
{
  std::lock_guard<std::mutex> guard(HostsLock());
  LiveHosts().push_back(this);
}

HostedPlugin::~HostedPlugin()
{
  Close();
  std::lock_guard<std::mutex> guard(HostsLock());
  std::vector<HostedPlugin*>& hosts = LiveHosts();
  hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
}

bool HostedPlugin::Load(const char* path, const char* entryName)
{
  if (IsVst3Path(path)) {
    mVst3.reset(new Vst3Module);
    if (!mVst3->Load(path, mError)) return false;
    return Attach(nullptr);
  }
  if (IsLv2Bundle(path)) {
    mLv2.reset(new Lv2Module);
    if (!mLv2->Load(path)) {
      mError = mLv2->Error();
      return false;
    }
    return Attach(nullptr);
  }
  if (!mModule.Load(path)) {
    mError = mModule.Error();
    return false;
  }
  // Older modules export the entry point as "main" only.
  VstEntryProc entry = mModule.Entry(entryName ? entryName : "VSTPluginMain");
  if (!entry && !entryName) entry = mModule.Entry("main");
  if (!entry) {
    mError = std::string("no exported ") + (entryName ? entryName : "VSTPluginMain or main") + " in " + path;
    return false;
  }
  return Attach(entry);
}

bool HostedPlugin::Attach(VstEntryProc entry)
{
  mEntry = entry;
  mEffect = NewInstance();
  if (!mEffect) {
    mError = "the entry point returned no instance";
    return false;
  }
  if (mEffect->magic != kEffectMagic) {
    mError = "the entry point returned a record without the VstP magic";
    mEffect = nullptr;
    return false;
  }
  return true;
}

AEffect* HostedPlugin::NewInstance()
{
  if (!mEntry && !mVst3 && !mLv2) return nullptr;
  {
    // This host goes to the back of the list, so calls made during
    // construction (before the record is known) reach it.
    std::lock_guard<std::mutex> guard(HostsLock());
    std::vector<HostedPlugin*>& hosts = LiveHosts();
    hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
    hosts.push_back(this);
  }
  if (mVst3) return mVst3->NewInstance(HostCallback);
  return mLv2 ? mLv2->NewInstance(HostCallback) : mEntry(HostCallback);
}

VstIntPtr HostedPlugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  return mEffect ? mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt) : 0;
}

void HostedPlugin::Open(double rate, int blockSize)
{
  sampleRate = rate;
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

void HostedPlugin::Close()
{
  if (!mEffect) return;
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effClose);
  mEffect = nullptr;
}

std::string HostedPlugin::ParamText(VstInt32 opcode, int index)
{
  char text[kHostTextBytes] = {};
  Dispatch(opcode, index, 0, text);
  return text;
}

std::string HostedPlugin::ParamName(int index) { return ParamText(effGetParamName, index); }
std::string HostedPlugin::ParamLabel(int index) { return ParamText(effGetParamLabel, index); }
std::string HostedPlugin::ParamDisplay(int index) { return ParamText(effGetParamDisplay, index); }

int HostedPlugin::FindParam(const std::string& name)
{
  if (!mEffect) return -1;
  for (int i = 0; i < mEffect->numParams; ++i) {
    if (ParamName(i) == name) return i;
  }
  return -1;
}

bool HostedPlugin::SetParamText(int index, const std::string& text)
{
  return Dispatch(effString2Parameter, index, 0, const_cast<char*>(text.c_str())) == 1;
}

VstIntPtr HostedPlugin::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                     float opt)
{
  std::lock_guard<std::mutex> guard(HostsLock());
  std::vector<HostedPlugin*>& hosts = LiveHosts();
  if (hosts.empty()) return 0;
  HostedPlugin* host = hosts.back();
  for (HostedPlugin* h : hosts) {
    if (h->mEffect && h->mEffect == effect) host = h;
  }
  return host->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr HostedPlugin::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  if (recordCalls) calls.push_back(HostCall{opcode, index, value, ptr != nullptr, opt});
  if (verbose && (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)) {
    const char* what = opcode == audioMasterAutomate ? "automate" : (opcode == audioMasterBeginEdit ? "begin-edit" : "end-edit");
    std::fprintf(stderr, "host: %s %d %g\n", what, index, static_cast<double>(opt));
  }
  switch (opcode) {
    case audioMasterVersion: return kVstVersion;
    case audioMasterCurrentId: return mEffect ? mEffect->uniqueID : 0;
    case audioMasterGetTime:
      tTime = VstTimeInfo{};
      tTime.samplePos = samplePos;
      tTime.sampleRate = sampleRate;
      tTime.tempo = 120.0;
      tTime.ppqPos = samplePos / sampleRate * 2.0;
      tTime.timeSigNumerator = 4;
      tTime.timeSigDenominator = 4;
      tTime.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstTransportPlaying;
      return reinterpret_cast<VstIntPtr>(&tTime);
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(sampleRate);
    case audioMasterGetCurrentProcessLevel: return processLevel;
    case audioMasterGetVendorString: return CopyHostText(ptr, vendorString);
    case audioMasterGetProductString: return CopyHostText(ptr, productString);
    case audioMasterGetVendorVersion: return vendorVersion;
    case audioMasterCanDo: return 0;
    default: return 0;
  }
}
