#pragma once
// The VST3 component: the processing half of a Vexa instance as hosts see
// it (IComponent, IAudioProcessor, IConnectionPoint).

#include "base/RefCount.h"
#include "vst3/IndicatorRelay.h"
#include "vst3/PlugVST3.h"
#include "vst3/Vst3Defs.h"

// One component. Made by the factory with a reference count of one; the host
// destroys it by releasing the last reference. Owns its plug-in instance
// (made in initialize, destroyed in terminate or with the component) and the
// peer it was connected to (one reference).
//
// Threads: the host's UI thread for everything but process, which comes on
// its audio thread. Every call that touches the instance takes the
// instance's lock, so a block never overlaps a state or setup change.
class Vst3Component final : public vst3::IComponent,
                      public vst3::IAudioProcessor,
                      public vst3::IConnectionPoint,
                      public Vst3HostSide
{
public:
  Vst3Component();
  ~Vst3Component() override;
  Vst3Component(const Vst3Component&) = delete;
  Vst3Component& operator=(const Vst3Component&) = delete;

  // FUnknown
  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override;
  uint32_t VST3_CALL release() override;
  // IPluginBase
  vst3::tresult VST3_CALL initialize(vst3::FUnknown* context) override;
  vst3::tresult VST3_CALL terminate() override;
  // IComponent
  vst3::tresult VST3_CALL getControllerClassId(char* classId) override;
  vst3::tresult VST3_CALL setIoMode(int32_t mode) override;
  int32_t VST3_CALL getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
  vst3::tresult VST3_CALL getBusInfo(vst3::MediaType type, vst3::BusDirection dir, int32_t index,
                                     vst3::BusInfo& bus) override;
  vst3::tresult VST3_CALL getRoutingInfo(vst3::RoutingInfo& inInfo, vst3::RoutingInfo& outInfo) override;
  vst3::tresult VST3_CALL activateBus(vst3::MediaType type, vst3::BusDirection dir, int32_t index,
                                      vst3::TBool state) override;
  vst3::tresult VST3_CALL setActive(vst3::TBool state) override;
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) override;
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) override;
  // IAudioProcessor
  vst3::tresult VST3_CALL setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t numIns,
                                             vst3::SpeakerArrangement* outputs, int32_t numOuts) override;
  vst3::tresult VST3_CALL getBusArrangement(vst3::BusDirection dir, int32_t index,
                                            vst3::SpeakerArrangement& arr) override;
  vst3::tresult VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) override;
  uint32_t VST3_CALL getLatencySamples() override;
  vst3::tresult VST3_CALL setupProcessing(vst3::ProcessSetup& setup) override;
  vst3::tresult VST3_CALL setProcessing(vst3::TBool state) override;
  vst3::tresult VST3_CALL process(vst3::ProcessData& data) override;
  uint32_t VST3_CALL getTailSamples() override;
  // IConnectionPoint
  vst3::tresult VST3_CALL connect(vst3::IConnectionPoint* other) override;
  vst3::tresult VST3_CALL disconnect(vst3::IConnectionPoint* other) override;
  vst3::tresult VST3_CALL notify(vst3::IMessage* message) override;

  // Vst3HostSide: the component reports no edits; the time queries read the
  // context of the block being processed.
  void BeginEdit(int) override {}
  void PerformEdit(int, double) override {}
  void EndEdit(int) override {}
  void ValuesChanged() override {}
  const vst3::ProcessContext* Context() const override { return mHasContext ? &mContext : nullptr; }
  bool Offline() const override { return mProcessMode == vst3::kOffline; }

  // Points the indicators at the controller's editor (null: nowhere).
  // Called through the pairing registry; takes the instance lock.
  void RouteIndicators(IEditorLink* editor);

private:
  // Channels of the negotiated arrangement of one direction.
  int Channels(vst3::BusDirection dir) const { return dir == vst3::kInput ? mInChannels : mOutChannels; }
  void ApplyParameterChanges(vst3::IParameterChanges* changes);
  bool BuffersUsable(const vst3::ProcessData& data) const;
  void ProcessSingle(vst3::ProcessData& data);
  void ProcessDouble(vst3::ProcessData& data);
  void AnnounceTo(vst3::IConnectionPoint* peer);

  RefCount mRefs;
  IPlugVST3* mPlug = nullptr;
  IndicatorRelay* mRelay = nullptr;  // owned by mPlug once attached
  vst3::FUnknown* mHostContext = nullptr;
  vst3::IConnectionPoint* mPeer = nullptr;
  int64_t mSerial = 0;
  int mInChannels = 2;
  int mOutChannels = 2;
  int32_t mSampleSize = vst3::kSample32;
  int32_t mProcessMode = vst3::kRealtime;
  bool mActive = false;
  bool mProcessing = false;
  bool mHasContext = false;
  vst3::ProcessContext mContext = {};
};
