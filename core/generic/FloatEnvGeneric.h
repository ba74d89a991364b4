#pragma once
// IScopedFlushDenormals where no flush-to-zero control is known: does
// nothing. Subnormal filter states then cost what they cost on that
// processor; the output is the same, since flushing only ever changes values
// far below audibility. Included through core/FloatEnv.h only.

class IScopedFlushDenormals
{
public:
  static constexpr bool kFlushes = false;

  IScopedFlushDenormals() = default;
  IScopedFlushDenormals(const IScopedFlushDenormals&) = delete;
  IScopedFlushDenormals& operator=(const IScopedFlushDenormals&) = delete;

  static unsigned long long ControlWord() { return 0; }
};
