#pragma once
// What the VST3 binary interface looks like on Windows: COM's calling
// convention (stdcall on 32-bit x86, the only convention on x64), COM's byte
// order of identifiers and COM's result codes.

#include <cstdint>

#define VST3_CALL __stdcall

namespace vst3 {

// Whether identifiers take the COM byte order (first three groups
// little-endian).
constexpr bool kComByteOrder = true;

constexpr int32_t kResultOk = 0;
constexpr int32_t kResultFalse = 1;
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002u);
constexpr int32_t kInvalidArgument = static_cast<int32_t>(0x80070057u);
constexpr int32_t kNotImplemented = static_cast<int32_t>(0x80004001u);
constexpr int32_t kInternalError = static_cast<int32_t>(0x80004005u);
constexpr int32_t kNotInitialized = static_cast<int32_t>(0x8000FFFFu);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000Eu);

}  // namespace vst3
