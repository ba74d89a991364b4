// Fuzzes state restore: any bytes, as a program or a bank chunk, leave a
// fresh instance consistent and usable, and whatever state it then saves
// restores into another fresh instance to the same bytes and the same sound.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vst/EntryPoint.h"

namespace
{

constexpr int kFrames = 64;
// A program chunk of nine parameters: header and nine doubles.
constexpr VstIntPtr kProgramChunkBytes = 8 + 9 * 8;

VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

AEffect* Open()
{
  AEffect* e = VSTPluginMain(Host);
  if (!e) std::abort();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  return e;
}

std::vector<uint8_t> Save(AEffect* e, bool program)
{
  void* chunk = nullptr;
  const VstIntPtr n = e->dispatcher(e, effGetChunk, program ? 1 : 0, 0, &chunk, 0.0f);
  if (n <= 0 || !chunk) std::abort();
  if (program && n != kProgramChunkBytes) std::abort();
  return std::vector<uint8_t>(static_cast<uint8_t*>(chunk), static_cast<uint8_t*>(chunk) + n);
}

VstIntPtr Restore(AEffect* e, bool program, std::vector<uint8_t> bytes)
{
  return e->dispatcher(e, effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                       bytes.empty() ? nullptr : bytes.data(), 0.0f);
}

// One block of a fixed test signal; the output must be finite.
std::vector<float> Render(AEffect* e)
{
  std::vector<float> in(kFrames), out(2 * kFrames);
  for (int k = 0; k < kFrames; ++k) in[k] = 0.5f * std::sin(0.3f * static_cast<float>(k));
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data() + kFrames};
  e->processReplacing(e, ins, outs, kFrames);
  for (float v : out) {
    if (!std::isfinite(v)) std::abort();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 1) return 0;
  const bool program = data[0] & 1;
  AEffect* e = Open();
  const VstIntPtr r = Restore(e, program, std::vector<uint8_t>(data + 1, data + size));
  if (r != 0 && r != 1) std::abort();
  for (int i = 0; i < e->numParams; ++i) {
    const float v = e->getParameter(e, i);
    if (!(v >= 0.0f && v <= 1.0f)) std::abort();
  }
  const std::vector<uint8_t> bank = Save(e, false);
  const std::vector<uint8_t> values = Save(e, true);

  // Whatever was restored, the state saved now is a fixed point: restored
  // into a fresh instance it gives back the same bytes and the same output.
  AEffect* copy = Open();
  if (Restore(copy, false, bank) != 1) std::abort();
  if (Save(copy, false) != bank || Save(copy, true) != values) std::abort();
  if (Render(e) != Render(copy)) std::abort();
  copy->dispatcher(copy, effClose, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  return 0;
}
