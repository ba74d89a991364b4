#pragma once
// What the VST3 binary interface looks like on Linux: the compiler's default
// calling convention, interface identifiers stored byte for byte as written,
// and the small negative-free result codes.

#include <cstdint>

#define VST3_CALL

namespace vst3 {

// Whether identifiers take the COM byte order (first three groups
// little-endian).
constexpr bool kComByteOrder = false;

constexpr int32_t kResultOk = 0;
constexpr int32_t kResultFalse = 1;
constexpr int32_t kNoInterface = -1;
constexpr int32_t kInvalidArgument = 2;
constexpr int32_t kNotImplemented = 3;
constexpr int32_t kInternalError = 4;
constexpr int32_t kNotInitialized = 5;
constexpr int32_t kOutOfMemory = 6;

}  // namespace vst3
