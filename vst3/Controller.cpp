#include "vst3/Controller.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "base/TextNumber.h"
#include "vst3/Pairing.h"
#include "vst3/PlugView.h"
#include "vst3/Streams.h"
#include "vst3/Text16.h"
#include "vst3/Vst3Module.h"

namespace {

using namespace vst3;

// Bytes of the 8-bit texts made on the way to and from the host's
// String128s, terminator included.
constexpr int kTextBytes = kString128Chars;

// Limits a host's normalized value to 0..1 (NaN gives 0).
double Normalized(double v) { return v > 0.0 ? (v < 1.0 ? v : 1.0) : 0.0; }

}  // namespace

Vst3Controller::~Vst3Controller()
{
  terminate();
  delete mPlug;
}

tresult VST3_CALL Vst3Controller::queryInterface(const char* iid, void** obj)
{
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (SameUid(iid, kFUnknownIid) || SameUid(iid, kIPluginBaseIid) || SameUid(iid, kIEditControllerIid)) {
    *obj = static_cast<IEditController*>(this);
  } else if (SameUid(iid, kIConnectionPointIid)) {
    *obj = static_cast<IConnectionPoint*>(this);
  } else {
    return kNoInterface;
  }
  addRef();
  return kResultOk;
}

uint32_t VST3_CALL Vst3Controller::addRef() { return mRefs.Add(); }

uint32_t VST3_CALL Vst3Controller::release() { return mRefs.DropAndDelete(this); }

tresult VST3_CALL Vst3Controller::initialize(FUnknown*)
{
  if (mPlug) return kResultFalse;
  mPlug = ModuleInfo().makeController(this);
  return mPlug ? kResultOk : kOutOfMemory;
}

tresult VST3_CALL Vst3Controller::terminate()
{
  Unpair();
  if (mPeer) mPeer->release();
  mPeer = nullptr;
  if (mHandler) mHandler->release();
  mHandler = nullptr;
  return kResultOk;
}

IParameter* Vst3Controller::Param(ParamID id) const
{
  if (!mPlug || id > static_cast<ParamID>(std::numeric_limits<int>::max())) return nullptr;
  return mPlug->ParameterAt(static_cast<int>(id));
}

tresult VST3_CALL Vst3Controller::setComponentState(IBStream* state)
{
  if (!mPlug) return kNotInitialized;
  IStateChunk chunk;
  if (!ReadStream(state, chunk)) return kInvalidArgument;
  // The component's state: the controller's values and editor follow it.
  return mPlug->RestoreBankChunk(chunk) ? kResultOk : kResultFalse;
}

// Everything the controller shows follows the component's state; it keeps
// none of its own.
tresult VST3_CALL Vst3Controller::setState(IBStream*) { return kResultOk; }
tresult VST3_CALL Vst3Controller::getState(IBStream*) { return kResultOk; }

int32_t VST3_CALL Vst3Controller::getParameterCount() { return mPlug ? mPlug->NParams() : 0; }

tresult VST3_CALL Vst3Controller::getParameterInfo(int32_t paramIndex, ParameterInfo& info)
{
  if (paramIndex < 0) return kInvalidArgument;
  IParameter* p = Param(static_cast<ParamID>(paramIndex));
  if (!p) return kInvalidArgument;
  ILockGuard guard(mPlug->Lock());
  info = ParameterInfo{};
  // Identifiers equal the VST2 indices, so that hosts migrating automation
  // find the same parameters.
  info.id = static_cast<ParamID>(paramIndex);
  ToText16(p->Name(), info.title, kString128Chars);
  ToText16(p->Name(), info.shortTitle, kString128Chars);
  ToText16(p->Label(), info.units, kString128Chars);
  // Stepped kinds step by their step over their range (Sequence: one step,
  // two values); continuous ones are continuous, whatever display step.
  info.stepCount =
    p->Kind() == kParamContinuous ? 0 : static_cast<int32_t>(std::floor((p->Max() - p->Min()) / p->Step() + 0.5));
  info.defaultNormalizedValue = p->NormalizedOf(p->Default());
  info.unitId = 0;
  info.flags = kParamCanAutomate;
  return kResultOk;
}

tresult VST3_CALL Vst3Controller::getParamStringByValue(ParamID id, ParamValue valueNormalized, TChar* string)
{
  IParameter* p = Param(id);
  if (!p || !string) return kInvalidArgument;
  ILockGuard guard(mPlug->Lock());
  // What the VST2 module shows once a host has set this value.
  char text[kTextBytes] = {};
  p->FormatValue(p->ValueForNormalized(Normalized(valueNormalized)), false, text, kTextBytes, true);
  ToText16(text, string, kString128Chars);
  return kResultOk;
}

tresult VST3_CALL Vst3Controller::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized)
{
  IParameter* p = Param(id);
  if (!p || !string) return kInvalidArgument;
  char text[kTextBytes] = {};
  FromText16(string, kString128Chars, text, kTextBytes);
  ILockGuard guard(mPlug->Lock());
  // As the VST2 module reads a host's text: a display text, else the
  // leading number, with the display's sign.
  double v = 0.0;
  if (p->DisplayTextCount() > 0) {
    if (!p->LookupDisplayText(text, &v)) return kResultFalse;
  } else {
    v = ParseLeadingDouble(text);
    if (p->DisplayNegation()) v = -v;
  }
  valueNormalized = p->NormalizedOf(v);
  return kResultOk;
}

ParamValue VST3_CALL Vst3Controller::normalizedParamToPlain(ParamID id, ParamValue valueNormalized)
{
  IParameter* p = Param(id);
  if (!p) return 0.0;
  ILockGuard guard(mPlug->Lock());
  return p->ValueForNormalized(Normalized(valueNormalized));
}

ParamValue VST3_CALL Vst3Controller::plainParamToNormalized(ParamID id, ParamValue plainValue)
{
  IParameter* p = Param(id);
  if (!p || std::isnan(plainValue)) return 0.0;
  ILockGuard guard(mPlug->Lock());
  return p->NormalizedOf(plainValue);
}

ParamValue VST3_CALL Vst3Controller::getParamNormalized(ParamID id)
{
  IParameter* p = Param(id);
  if (!p) return 0.0;
  ILockGuard guard(mPlug->Lock());
  return p->ToNormalized();
}

tresult VST3_CALL Vst3Controller::setParamNormalized(ParamID id, ParamValue value)
{
  IParameter* p = Param(id);
  if (!p || std::isnan(value)) return kInvalidArgument;
  const int index = static_cast<int>(id);
  ILockGuard guard(mPlug->Lock());
  const double v = Normalized(value);
  if (IEditorLink* editor = mPlug->Editor()) editor->PushParamToControls(index, v, true);
  p->SetFromNormalized(v);
  mPlug->ParameterChanged(index);
  return kResultOk;
}

tresult VST3_CALL Vst3Controller::setComponentHandler(IComponentHandler* handler)
{
  if (handler) handler->addRef();
  if (mHandler) mHandler->release();
  mHandler = handler;
  return kResultOk;
}

IPlugView* VST3_CALL Vst3Controller::createView(FIDString name)
{
  if (!mPlug || !name || std::strcmp(name, kEditorView) != 0 || !mPlug->Editor()) return nullptr;
  return new (std::nothrow) Vst3PlugView(this, mPlug);
}

tresult VST3_CALL Vst3Controller::connect(IConnectionPoint* other)
{
  if (!other) return kInvalidArgument;
  if (mPeer) return kResultFalse;
  other->addRef();
  mPeer = other;
  return kResultOk;
}

tresult VST3_CALL Vst3Controller::disconnect(IConnectionPoint* other)
{
  if (!other || other != mPeer) return kInvalidArgument;
  Unpair();
  mPeer->release();
  mPeer = nullptr;
  return kResultOk;
}

tresult VST3_CALL Vst3Controller::notify(IMessage* message)
{
  if (!message) return kInvalidArgument;
  const char* id = message->getMessageID();
  if (!id || std::strcmp(id, kPairingMessage) != 0) return kResultOk;
  IAttributeList* attributes = message->getAttributes();
  int64_t serial = 0;
  if (!attributes || attributes->getInt(kPairingSerial, serial) != kResultOk) return kResultFalse;
  // The component of this instance: its processing shows in this editor.
  Unpair();
  mPairedSerial = serial;
  if (mPlug) RouteIndicators(serial, mPlug->Editor());
  return kResultOk;
}

void Vst3Controller::Unpair()
{
  if (mPairedSerial) RouteIndicators(mPairedSerial, nullptr);
  mPairedSerial = 0;
}

void Vst3Controller::BeginEdit(int index)
{
  if (mHandler) mHandler->beginEdit(static_cast<ParamID>(index));
}

void Vst3Controller::PerformEdit(int index, double normalized)
{
  if (mHandler) mHandler->performEdit(static_cast<ParamID>(index), normalized);
}

void Vst3Controller::EndEdit(int index)
{
  if (mHandler) mHandler->endEdit(static_cast<ParamID>(index));
}

void Vst3Controller::ValuesChanged()
{
  if (mHandler) mHandler->restartComponent(kRestartParamValuesChanged);
}
