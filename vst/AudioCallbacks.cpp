// The audio and parameter callbacks of the AEffect record.
#include <cmath>
#include <cstring>

#include "core/FloatEnv.h"
#include "vst/PlugVST.h"

void IPlugVST::BeginAudioCallback(VstInt32 frames)
{
  if (HandlesMidi()) CallHost(audioMasterWantMidi, 0, 0, nullptr, 0.0f);
  // A host block longer than the block size it announced gets scratch
  // buffers grown for it, so one host block stays one ProcessBlock call.
  PrepareScratch(frames);
}

void IPlugVST::ProcessSingle(float** inputs, float** outputs, VstInt32 frames, bool accumulate)
{
  ILockGuard guard(Lock());
  IScopedFlushDenormals flush;
  BeginAudioCallback(frames);
  AttachInputs(NInChannels(), inputs, frames);
  AttachOutputsSingle(outputs);
  ProcessBlock(InputPointers(), OutputPointers(), frames);
  WriteOutputs(frames, accumulate);
}

void IPlugVST::VSTProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
  FromEffect(effect)->ProcessSingle(inputs, outputs, frames, true);
}

void IPlugVST::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
  FromEffect(effect)->ProcessSingle(inputs, outputs, frames, false);
}

void IPlugVST::VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs, VstInt32 frames)
{
  IPlugVST* plug = FromEffect(effect);
  ILockGuard guard(plug->Lock());
  IScopedFlushDenormals flush;
  plug->BeginAudioCallback(frames);
  plug->AttachInputBuffers(inputs, frames);
  plug->AttachOutputBuffers(outputs, frames);
  plug->ProcessBlock(plug->InputPointers(), plug->OutputPointers(), frames);
}

void IPlugVST::VSTSetParameter(AEffect* effect, VstInt32 index, float value)
{
  IPlugVST* plug = FromEffect(effect);
  ILockGuard guard(plug->Lock());
  IParameter* param = plug->ParameterAt(index);
  if (!param) return;
  // Hosts may send values outside 0..1 or NaN; a value below 0 would map
  // below the range (Sequence -1 writes no output, Q 0 makes the filters NaN).
  if (std::isnan(value)) return;
  const double v = value < 0.0f ? 0.0 : (value > 1.0f ? 1.0 : static_cast<double>(value));
  if (IEditorLink* editor = plug->Editor()) editor->PushParamToControls(index, v, true);
  param->SetFromNormalized(v);
  plug->ParameterChanged(index);
}

float IPlugVST::VSTGetParameter(AEffect* effect, VstInt32 index)
{
  IPlugVST* plug = FromEffect(effect);
  ILockGuard guard(plug->Lock());
  const IParameter* param = plug->ParameterAt(index);
  return param ? static_cast<float>(param->ToNormalized()) : 0.0f;
}
