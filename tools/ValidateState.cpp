// State checks: bank and program chunks survive a restore into a fresh
// instance byte for byte and sound the same there; truncated, oversized and
// random chunks never harm an instance. Plug-ins without chunks are checked
// through their parameter values instead.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/Validation.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kMaxRandomChunkBytes = 4096;

// Random settings, drawn once and given to every original instance.
std::vector<float> RandomSettings(Validation& v, int count)
{
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  std::vector<float> values;
  for (int i = 0; i < count; ++i) values.push_back(value(v.rng));
  return values;
}

void Apply(const ValidatedInstance& inst, const std::vector<float>& settings)
{
  AEffect* e = inst.Effect();
  for (int i = 0; i < e->numParams && i < static_cast<int>(settings.size()); ++i) e->setParameter(e, i, settings[size_t(i)]);
}

// The first seconds of the test signal through an instance, as float.
std::vector<float> Render(Validation& v, const ValidatedInstance& inst)
{
  AEffect* e = inst.Effect();
  HostBuffers buffers(e->numInputs, e->numOutputs, kBlock);
  std::vector<float> all;
  OutputCheck check;
  for (long long pos = 0; pos < static_cast<long long>(v.Seconds(0.5) * kRate); pos += kBlock) {
    buffers.FillInputs(pos, kBlock, kRate, false);
    buffers.Process(e, kBlock, false, check);
    for (int c = 0; c < e->numOutputs; ++c) all.insert(all.end(), buffers.Out()[c], buffers.Out()[c] + kBlock);
  }
  return all;
}

std::string Bytes(size_t n) { return std::to_string(n) + " bytes"; }

// Returns the chunk saved from an instance with the settings.
std::vector<unsigned char> ChunkRoundTrip(Validation& v, const std::vector<float>& settings, bool program)
{
  ValidatedInstance original(v.module, kRate, kBlock);
  Apply(original, settings);
  const char* kind = program ? "program chunk" : "bank chunk";
  const std::vector<unsigned char> saved = original.SaveChunk(program);
  if (saved.empty()) {
    v.report.Fail(std::string(kind) + " round trip", "the plug-in gave no chunk");
    return saved;
  }
  ValidatedInstance copy(v.module, kRate, kBlock);
  const VstIntPtr answer = copy.RestoreChunk(program, saved);
  const std::vector<unsigned char> again = copy.SaveChunk(program);
  v.report.Expect(answer == 1 && again == saved, std::string(kind) + " round trip",
                  Bytes(saved.size()) + " restored into a fresh instance and saved again byte-identical",
                  answer != 1 ? "restoring it answered " + std::to_string(static_cast<long long>(answer))
                              : "saved again as " + Bytes(again.size()) + " that differ");
  const bool same = Render(v, original) == Render(v, copy);
  v.report.Expect(same, std::string("sound after restoring the ") + kind,
                  "the restored instance's output equals the original's",
                  "the restored instance sounds different from the original");
  return saved;
}

// Parameter values as the state of plug-ins that have no chunks.
void ParameterRoundTrip(Validation& v, const std::vector<float>& settings)
{
  ValidatedInstance original(v.module, kRate, kBlock);
  Apply(original, settings);
  AEffect* e = original.Effect();
  ValidatedInstance copy(v.module, kRate, kBlock);
  AEffect* c = copy.Effect();
  for (int i = 0; i < e->numParams; ++i) c->setParameter(c, i, e->getParameter(e, i));
  bool same = true;
  for (int i = 0; i < e->numParams; ++i) same &= c->getParameter(c, i) == e->getParameter(e, i);
  v.report.Expect(same, "parameter values round trip", std::to_string(e->numParams) + " values read back alike",
                  "a fresh instance reads back other values");
  v.report.Expect(Render(v, original) == Render(v, copy), "sound after restoring the parameter values",
                  "the restored instance's output equals the original's",
                  "the restored instance sounds different from the original");
}

// Damaged chunks: each restore may fail, but the instance must live on,
// process cleanly and take the good chunk back afterwards.
void HostileChunks(Validation& v, const std::vector<unsigned char>& good, bool program)
{
  const char* kind = program ? "program" : "bank";
  ValidatedInstance inst(v.module, kRate, kBlock);
  HostBuffers buffers(inst.Effect()->numInputs, inst.Effect()->numOutputs, kBlock);
  std::uniform_int_distribution<int> byte(0, 255);
  OutputCheck check;
  int truncated = 0, oversized = 0, random = 0;
  for (int t = 0; t < v.Trials(40); ++t) {
    std::vector<unsigned char> bad;
    switch (t % 3) {
      case 0:
        bad.assign(good.begin(), good.begin() + static_cast<long>(v.rng() % good.size()));
        ++truncated;
        break;
      case 1:
        bad = good;
        for (size_t k = 1 + v.rng() % kMaxRandomChunkBytes; k > 0; --k) bad.push_back(static_cast<unsigned char>(byte(v.rng)));
        ++oversized;
        break;
      default:
        for (size_t k = v.rng() % kMaxRandomChunkBytes; k > 0; --k) bad.push_back(static_cast<unsigned char>(byte(v.rng)));
        ++random;
        break;
    }
    inst.RestoreChunk(program, bad);
    buffers.FillInputs(static_cast<long long>(t) * kBlock, kBlock, kRate, false);
    buffers.Process(inst.Effect(), kBlock, false, check);
  }
  const bool back = inst.RestoreChunk(program, good) == 1 && inst.SaveChunk(program) == good;
  char detail[200];
  std::snprintf(detail, sizeof detail, "%d truncated, %d oversized and %d random %s chunks; the instance processed "
                "cleanly after each and took its own chunk back", truncated, oversized, random, kind);
  v.report.Expect(check.Clean() && back, std::string("damaged ") + kind + " chunks", detail,
                  !check.Clean() ? "after a damaged chunk: " + check.Describe()
                                 : "the good chunk no longer restores to the same bytes");
}

}  // namespace

void ValidateState(Validation& v)
{
  std::vector<float> settings;
  bool chunks;
  {
    ValidatedInstance probe(v.module, kRate, kBlock);
    if (!probe.Valid()) {
      v.report.Fail("instance", "the entry point returned no instance");
      return;
    }
    settings = RandomSettings(v, probe.Effect()->numParams);
    chunks = (probe.Effect()->flags & effFlagsProgramChunks) || !probe.SaveChunk(false).empty();
  }
  if (!chunks) {
    v.report.Skip("chunks", "the plug-in keeps no state chunks; its parameter values are its state");
    ParameterRoundTrip(v, settings);
    return;
  }
  for (bool program : {false, true}) {
    if (program && v.module.IsVst3()) {
      v.report.Skip("program chunk", "a VST3 plug-in keeps one state, the component's");
      continue;
    }
    const std::vector<unsigned char> good = ChunkRoundTrip(v, settings, program);
    if (!good.empty()) HostileChunks(v, good, program);
  }
}
