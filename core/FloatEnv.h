#pragma once
// Floating-point environment of the audio callbacks: IScopedFlushDenormals,
// one implementation per processor family.
//
// While one is alive, arithmetic flushes subnormal results to zero and treats
// subnormal inputs as zero, where the processor can; it restores the caller's
// setting on exit. Recursive IIR states decaying into the subnormal range
// would otherwise cost the audio thread dearly. Only subnormal values are
// affected. Audio thread. Each implementation also tells whether it flushes
// (kFlushes) and shows the raw control word (ControlWord) for checks that the
// caller's setting comes back.

#if defined(__SSE2__) || defined(_M_X64)
#include "core/x86/FloatEnvX86.h"
#elif defined(__aarch64__)
#include "core/arm64/FloatEnvArm64.h"
#else
#include "core/generic/FloatEnvGeneric.h"
#endif
