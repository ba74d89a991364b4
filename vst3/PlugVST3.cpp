#include "vst3/PlugVST3.h"

IPlugVST3::IPlugVST3(Vst3HostSide* host, const IPlugDescription& desc) : IPlugBase(desc), mHost(host)
{
  // Every channel is connected until the host negotiates another
  // arrangement.
  SetInputConnections(0, NInChannels(), true);
  SetOutputConnections(0, NOutChannels(), true);
}

void IPlugVST3::BeginParamEdit(int index)
{
  if (mHost) mHost->BeginEdit(index);
}

void IPlugVST3::ReportParamChange(int index, double normalized)
{
  if (mHost) mHost->PerformEdit(index, normalized);
}

void IPlugVST3::EndParamEdit(int index)
{
  if (mHost) mHost->EndEdit(index);
}

void IPlugVST3::ReportPresetChange()
{
  if (mHost) mHost->ValuesChanged();
}

bool IPlugVST3::IsRenderingOffline() { return mHost && mHost->Offline(); }

int IPlugVST3::HostSamplePosition()
{
  const vst3::ProcessContext* c = mHost ? mHost->Context() : nullptr;
  if (!c || c->projectTimeSamples < 0) return 0;
  return static_cast<int>(c->projectTimeSamples);
}

double IPlugVST3::HostTempo()
{
  const vst3::ProcessContext* c = mHost ? mHost->Context() : nullptr;
  if (!c || !(c->state & vst3::kContextTempoValid) || c->tempo < 0.0) return 0.0;
  return c->tempo;
}

void IPlugVST3::HostTimeSignature(int* numerator, int* denominator)
{
  *numerator = 0;
  *denominator = 0;
  const vst3::ProcessContext* c = mHost ? mHost->Context() : nullptr;
  if (!c || !(c->state & vst3::kContextTimeSigValid)) return;
  if (c->timeSigNumerator < 0 || c->timeSigDenominator < 0) return;
  *numerator = c->timeSigNumerator;
  *denominator = c->timeSigDenominator;
}

void IPlugVST3::HostTimeInfo(ITimeInfo* info)
{
  const vst3::ProcessContext* c = mHost ? mHost->Context() : nullptr;
  if (!c) return;
  info->samplePos = static_cast<double>(c->projectTimeSamples);
  if ((c->state & vst3::kContextProjectTimeMusicValid) && c->projectTimeMusic >= 0.0) {
    info->ppqPos = c->projectTimeMusic;
  }
  if ((c->state & vst3::kContextTempoValid) && c->tempo > 0.0) info->tempo = c->tempo;
  if ((c->state & vst3::kContextBarPositionValid) && c->barPositionMusic >= 0.0) {
    info->lastBar = c->barPositionMusic;
  }
  if ((c->state & vst3::kContextCycleValid) && c->cycleStartMusic >= 0.0 && c->cycleEndMusic >= 0.0) {
    info->cycleStart = c->cycleStartMusic;
    info->cycleEnd = c->cycleEndMusic;
  }
  if ((c->state & vst3::kContextTimeSigValid) && c->timeSigNumerator > 0 && c->timeSigDenominator > 0) {
    info->numerator = c->timeSigNumerator;
    info->denominator = c->timeSigDenominator;
  }
  info->transportRunning = (c->state & vst3::kContextPlaying) != 0;
  info->transportLooping = (c->state & vst3::kContextCycleActive) != 0;
}

// The view's size is fixed; hosts ask it through the view.
void IPlugVST3::EditorResized(int, int) {}

// The VST3 edition sends no events back to the host.
bool IPlugVST3::SendMidiMessage(const IMidiMessage&) { return false; }
