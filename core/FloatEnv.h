#pragma once
// Floating-point environment of the audio callbacks.

#include <xmmintrin.h>

// While alive, SSE arithmetic flushes subnormal results to zero and treats
// subnormal inputs as zero; restores the caller's control word on exit.
// Recursive IIR states decaying into the subnormal range would otherwise cost
// the audio thread dearly. Only subnormal values are affected. Audio thread.
class IScopedFlushDenormals
{
public:
  IScopedFlushDenormals() : mSaved(_mm_getcsr()) { _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero); }
  ~IScopedFlushDenormals() { _mm_setcsr(mSaved); }
  IScopedFlushDenormals(const IScopedFlushDenormals&) = delete;
  IScopedFlushDenormals& operator=(const IScopedFlushDenormals&) = delete;

private:
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned mSaved;
};
