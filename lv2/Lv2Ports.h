#pragma once
// How a plug-in's parameters, audio channels and indicators appear as LV2
// ports: the table an effect's LV2 entry point fills in, read by the adapter
// at run time and by the bundle generator at build time, so that the ports
// the host reads in the bundle are the ports the instance serves. Plain
// data; nothing here names an LV2 header type.

// The units a control port's values are in (the LV2 units vocabulary).
enum class Lv2Unit { kNone, kHz, kMs, kDb, kPercent, kSemitones };

// One parameter as a control input port. The port carries the parameter's
// plain value times portPerPlain (1000 for a parameter in seconds that
// hosts show in milliseconds).
struct Lv2ParamPort
{
  const char* symbol;
  Lv2Unit unit;
  double portPerPlain;
  bool logarithmic;      // a hint: hosts' sliders travel logarithmically
  const char* offLabel;  // for a 0/1 switch: the names of its two values,
  const char* onLabel;   // or null
};

// One audio channel as an audio port.
struct Lv2AudioPort
{
  const char* symbol;
  const char* name;
};

// One indicator as a control output port, in 0..1.
struct Lv2OutputPort
{
  const char* symbol;
  const char* name;
};

// Every port of the plug-in. Port indices follow the table: the parameters
// first, in parameter order, then the audio inputs, the audio outputs and
// the indicators.
struct Lv2PortTable
{
  const Lv2ParamPort* params;
  int paramCount;
  const Lv2AudioPort* audioInputs;
  int audioInputCount;
  const Lv2AudioPort* audioOutputs;
  int audioOutputCount;
  const Lv2OutputPort* outputs;
  int outputCount;

  int ParamPort(int i) const { return i; }
  int AudioInputPort(int k) const { return paramCount + k; }
  int AudioOutputPort(int k) const { return paramCount + audioInputCount + k; }
  int OutputPort(int j) const { return paramCount + audioInputCount + audioOutputCount + j; }
  int PortCount() const { return paramCount + audioInputCount + audioOutputCount + outputCount; }
};
