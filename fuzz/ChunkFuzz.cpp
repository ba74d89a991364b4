// Fuzzes state restore: any bytes, as a program or a bank chunk, must leave
// the instance consistent and usable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "plugin/Vexa.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static Vexa* plug = [] {
    Vexa* v = new Vexa(nullptr);
    v->Effect()->dispatcher(v->Effect(), effOpen, 0, 0, nullptr, 0.0f);
    return v;
  }();
  AEffect* e = plug->Effect();
  if (size < 1) return 0;
  const VstInt32 index = data[0] & 1;
  const VstIntPtr r = e->dispatcher(e, effSetChunk, index, static_cast<VstIntPtr>(size - 1),
                                    const_cast<uint8_t*>(data + 1), 0.0f);
  if (r != 0 && r != 1) std::abort();
  for (int i = 0; i < e->numParams; ++i) {
    const float v = e->getParameter(e, i);
    if (!(v >= 0.0f && v <= 1.0f)) std::abort();
  }
  void* chunk = nullptr;
  if (e->dispatcher(e, effGetChunk, 1, 0, &chunk, 0.0f) != 80 || !chunk) std::abort();
  float in[64] = {}, out[2][64];
  float* ins[2] = {in, in};
  float* outs[2] = {out[0], out[1]};
  e->processReplacing(e, ins, outs, 64);
  return 0;
}
