#pragma once
// The VST3 edit controller: the parameters, their texts and the editor of a
// Vexa instance as hosts see them (IEditController, IConnectionPoint).

#include "base/RefCount.h"
#include "vst3/PlugVST3.h"
#include "vst3/Vst3Defs.h"

class Vst3PlugView;

// One controller. Made by the factory with a reference count of one; the
// host destroys it by releasing the last reference (every view it made holds
// one). Owns its plug-in instance with the editor (made in initialize,
// destroyed with the controller, after its last view), one reference to the
// host's component handler and one to the peer it was connected to.
//
// Threads: the host's UI thread. The editor's parameter changes reach the
// host through the component handler from that thread.
class Vst3Controller final : public vst3::IEditController, public vst3::IConnectionPoint, public Vst3HostSide
{
public:
  Vst3Controller() = default;
  ~Vst3Controller() override;
  Vst3Controller(const Vst3Controller&) = delete;
  Vst3Controller& operator=(const Vst3Controller&) = delete;

  // FUnknown
  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override;
  uint32_t VST3_CALL release() override;
  // IPluginBase
  vst3::tresult VST3_CALL initialize(vst3::FUnknown* context) override;
  vst3::tresult VST3_CALL terminate() override;
  // IEditController
  vst3::tresult VST3_CALL setComponentState(vst3::IBStream* state) override;
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) override;
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) override;
  int32_t VST3_CALL getParameterCount() override;
  vst3::tresult VST3_CALL getParameterInfo(int32_t paramIndex, vst3::ParameterInfo& info) override;
  vst3::tresult VST3_CALL getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                                vst3::TChar* string) override;
  vst3::tresult VST3_CALL getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                                vst3::ParamValue& valueNormalized) override;
  vst3::ParamValue VST3_CALL normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue valueNormalized) override;
  vst3::ParamValue VST3_CALL plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plainValue) override;
  vst3::ParamValue VST3_CALL getParamNormalized(vst3::ParamID id) override;
  vst3::tresult VST3_CALL setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult VST3_CALL setComponentHandler(vst3::IComponentHandler* handler) override;
  vst3::IPlugView* VST3_CALL createView(vst3::FIDString name) override;
  // IConnectionPoint
  vst3::tresult VST3_CALL connect(vst3::IConnectionPoint* other) override;
  vst3::tresult VST3_CALL disconnect(vst3::IConnectionPoint* other) override;
  vst3::tresult VST3_CALL notify(vst3::IMessage* message) override;

  // Vst3HostSide: edits go to the component handler.
  void BeginEdit(int index) override;
  void PerformEdit(int index, double normalized) override;
  void EndEdit(int index) override;
  void ValuesChanged() override;
  const vst3::ProcessContext* Context() const override { return nullptr; }
  bool Offline() const override { return false; }

private:
  IParameter* Param(vst3::ParamID id) const;
  void Unpair();

  RefCount mRefs;
  IPlugVST3* mPlug = nullptr;
  vst3::IComponentHandler* mHandler = nullptr;
  vst3::IConnectionPoint* mPeer = nullptr;
  int64_t mPairedSerial = 0;
};
