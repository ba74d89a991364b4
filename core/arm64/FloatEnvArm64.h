#pragma once
// IScopedFlushDenormals on 64-bit ARM: the flush-to-zero bit of FPCR, which
// there flushes subnormal inputs and results alike. Included through
// core/FloatEnv.h only.

class IScopedFlushDenormals
{
public:
  static constexpr bool kFlushes = true;

  IScopedFlushDenormals() : mSaved(ControlWord()) { SetControlWord(mSaved | kFlushToZero); }
  ~IScopedFlushDenormals() { SetControlWord(mSaved); }
  IScopedFlushDenormals(const IScopedFlushDenormals&) = delete;
  IScopedFlushDenormals& operator=(const IScopedFlushDenormals&) = delete;

  static unsigned long long ControlWord()
  {
    unsigned long long word;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(word));
    return word;
  }

private:
  static void SetControlWord(unsigned long long word) { __asm__ __volatile__("msr fpcr, %0" : : "r"(word)); }

  static constexpr unsigned long long kFlushToZero = 1ull << 24;
  unsigned long long mSaved;
};
