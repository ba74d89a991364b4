#pragma once
// IScopedFlushDenormals on SSE: the flush-to-zero and denormals-are-zero bits
// of MXCSR. Included through core/FloatEnv.h only.

#include <xmmintrin.h>

class IScopedFlushDenormals
{
public:
  static constexpr bool kFlushes = true;

  IScopedFlushDenormals() : mSaved(_mm_getcsr()) { _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero); }
  ~IScopedFlushDenormals() { _mm_setcsr(mSaved); }
  IScopedFlushDenormals(const IScopedFlushDenormals&) = delete;
  IScopedFlushDenormals& operator=(const IScopedFlushDenormals&) = delete;

  static unsigned long long ControlWord() { return _mm_getcsr(); }

private:
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned mSaved;
};
