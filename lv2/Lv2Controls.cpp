#include "lv2/Lv2Controls.h"

#include <cmath>
#include <cstring>

namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

float Lv2HostNormalized(const IParameter& param, float portValue, double portPerPlain)
{
  const double plain = static_cast<double>(portValue) / portPerPlain;
  return static_cast<float>(param.NormalizedOf(plain));
}

float Lv2PortValue(const IParameter& param, double portPerPlain)
{
  return static_cast<float>(param.Value() * portPerPlain);
}

void Lv2SetFromHost(IPlugBase& plug, int index, float normalized)
{
  ILockGuard guard(plug.Lock());
  IParameter* param = plug.ParameterAt(index);
  // A NaN changes nothing; a value below 0 would map below the range.
  if (!param || std::isnan(normalized)) return;
  const double n = normalized < 0.0f ? 0.0 : (normalized > 1.0f ? 1.0 : static_cast<double>(normalized));
  if (IEditorLink* editor = plug.Editor()) editor->PushParamToControls(index, n, true);
  param->SetFromNormalized(n);
  plug.ParameterChanged(index);
}

void Lv2ControlInputs::Init(const IPlugBase& plug, const Lv2PortTable& ports)
{
  mPorts = &ports;
  mTaken.assign(static_cast<size_t>(ports.paramCount), 0.0f);
  for (int i = 0; i < ports.paramCount; ++i) {
    if (const IParameter* p = plug.ParameterAt(i)) {
      mTaken[static_cast<size_t>(i)] = static_cast<float>(p->Default() * ports.params[i].portPerPlain);
    }
  }
}

void Lv2ControlInputs::Take(IPlugBase& plug, int index, float value)
{
  if (index < 0 || static_cast<size_t>(index) >= mTaken.size()) return;
  float& taken = mTaken[static_cast<size_t>(index)];
  if (SameBits(value, taken)) return;
  taken = value;
  const IParameter* param = plug.ParameterAt(index);
  if (param) Lv2SetFromHost(plug, index, Lv2HostNormalized(*param, value, mPorts->params[index].portPerPlain));
}

void Lv2ControlInputs::Remember(int index, float value)
{
  if (index >= 0 && static_cast<size_t>(index) < mTaken.size()) mTaken[static_cast<size_t>(index)] = value;
}

float Lv2ControlInputs::Taken(int index) const
{
  return index >= 0 && static_cast<size_t>(index) < mTaken.size() ? mTaken[static_cast<size_t>(index)] : 0.0f;
}
